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
                         ProblemSink sink)
    : m_sink(std::move(sink)), m_limit(limit), m_decoder(encoding)
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
    const bool refused =
        ch < m_classes.size() ? m_classes[ch] == CharacterClass::Refused : refuses(ch);
    if (refused) {
        ++m_problems;
        m_sink({TextProblem::Kind::Character, m_line, m_column, ch, 0});
    }
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
    ++m_lines;
    if (m_limit > 0 && m_column > m_limit) {
        ++m_problems;
        m_sink({TextProblem::Kind::LineTooLong, m_line, m_limit + 1, 0, m_column});
    }
    ++m_line;
    m_column = 0;
}

void TextScanner::finish()
{
    m_decoder.finish([this](char32_t ch) { take(ch); });
    if (m_column > 0)
        endLine();
}
