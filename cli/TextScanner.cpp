#include "TextScanner.h"

#include "Keystroke.h"
#include "Windows1252.h"

#include <QChar>

#include <utility>

namespace {

constexpr char32_t kByteOrderMark = 0xFEFF;

// The box never receives control characters: Qt puts them into the text of keys that type
// nothing, and the line box leaves them out.
bool isControl(char32_t ch)
{
    return QChar::category(ch) == QChar::Other_Control;
}

} // namespace

TextScanner::TextScanner(const CharacterTable &table, qint64 limit, TextEncoding encoding,
                         ProblemSink sink, ScriptMarkup markup)
    : m_sink(std::move(sink)), m_limit(limit), m_decoder(encoding), m_markup(std::move(markup)),
      m_holdLines(!m_markup.isEmpty())
{
    // The admission of every code, decided once by the line box's own rule.
    for (int code = 0; code < 256; ++code)
        m_codeRefused[std::size_t(code)] =
            admitKeystroke(qint16(code), true, table) == KeystrokeAction::Drop;
    m_outsideCodePageRefused =
        admitKeystroke(KeyCode::OutsideCodePage, true, table) == KeystrokeAction::Drop;

    for (char32_t ch = 0; ch < m_classes.size(); ++ch) {
        m_classes[ch] = ch == '\n'    ? CharacterClass::LineFeed
                        : ch == '\r'  ? CharacterClass::CarriageReturn
                        : refuses(ch) ? CharacterClass::Refused
                                      : CharacterClass::Counted;
    }
}

void TextScanner::feed(std::string_view bytes)
{
    if (m_holdLines) {
        m_decoder.decode(bytes, [this](char32_t ch) { take(ch); });
        return;
    }
    // The column stays in a register while the characters that only count go by.
    qint64 column = m_column;
    m_decoder.decode(bytes, [this, &column](char32_t ch) {
        if (ch < m_classes.size() && m_classes[ch] == CharacterClass::Counted) {
            ++column;
            return;
        }
        m_column = column;
        take(ch);
        column = m_column;
    });
    m_column = column;
}

void TextScanner::take(char32_t ch)
{
    if (ch == '\n') {
        // The second half of CR LF: the CR ended the line, and nothing came since.
        const bool secondHalf = m_afterCarriageReturn && m_column == 0;
        m_afterCarriageReturn = false;
        if (!secondHalf)
            endLine();
        return;
    }
    if (ch == '\r') {
        endLine();
        m_afterCarriageReturn = true;
        return;
    }
    if (ch == kByteOrderMark && !m_markSkipped && m_line == 1 && m_column == 0) {
        m_markSkipped = true;
        return;
    }
    ++m_column;
    if (m_holdLines)
        appendHeld(ch);
    else if (isRefused(ch))
        report(TextProblem::Kind::Character, m_column, ch, 0);
}

void TextScanner::report(TextProblem::Kind kind, qint64 column, char32_t ch, qint64 length)
{
    ++m_problems;
    m_sink({kind, m_line, column, ch, length});
}

bool TextScanner::refuses(char32_t ch) const
{
    if (isControl(ch))
        return false;
    if (ch <= 0xFFFF) {
        if (const std::optional<unsigned char> code = Windows1252::fromUnicode(QChar(char16_t(ch))))
            return m_codeRefused[*code];
    }
    return m_outsideCodePageRefused;
}

void TextScanner::endLine()
{
    if (m_holdLines) {
        checkHeldLine();
        m_held.clear(); // keeps its room for the next line
    } else {
        ++m_lines;
        if (m_limit > 0 && m_column > m_limit)
            report(TextProblem::Kind::LineTooLong, m_limit + 1, 0, m_column);
    }
    ++m_line;
    m_column = 0;
}

void TextScanner::appendHeld(char32_t ch)
{
    if (QChar::requiresSurrogates(ch)) {
        m_held += QChar::highSurrogate(ch);
        m_held += QChar::lowSurrogate(ch);
    } else {
        m_held += char16_t(ch);
    }
}

void TextScanner::checkHeldLine()
{
    const QString line = QString::fromRawData(reinterpret_cast<const QChar *>(m_held.data()),
                                              qsizetype(m_held.size()));
    if (m_markup.skips(line))
        return;
    ++m_lines;
    m_markup.mark(line, m_marks);
    qint64 column = 0;
    qint64 length = 0;    // of the screen line so far, codes left out
    qint64 pastLimit = 0; // the column of its first character past the limit
    const auto endScreenLine = [&] {
        if (m_limit > 0 && length > m_limit)
            report(TextProblem::Kind::LineTooLong, pastLimit, 0, length);
        length = 0;
    };
    for (std::size_t i = 0; i < m_held.size(); ++i) {
        unsigned char mark = m_marks[i];
        char32_t ch = m_held[i];
        if (QChar::isHighSurrogate(ch)) {
            ch = QChar::surrogateToUcs4(char16_t(ch), m_held[++i]);
            mark |= m_marks[i];
        }
        ++column;
        if (!(mark & ScriptMarkup::Code)) {
            if (isRefused(ch))
                report(TextProblem::Kind::Character, column, ch, 0);
            if (++length == m_limit + 1)
                pastLimit = column;
        }
        if (mark & ScriptMarkup::ScreenLineEnd)
            endScreenLine();
    }
    endScreenLine();
}

void TextScanner::finish()
{
    m_decoder.finish([this](char32_t ch) { take(ch); });
    if (m_column > 0)
        endLine();
}
