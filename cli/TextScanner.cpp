#include "TextScanner.h"

#include "CharacterCodes.h"
#include "Keystroke.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Characters, not bytes: every byte but UTF-8's continuation bytes starts one.
qint64 characters(std::string_view utf8)
{
    return std::count_if(utf8.cbegin(), utf8.cend(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

bool isBlank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

} // namespace

TextScanner::TextScanner(const CharacterTable &table, qint64 limit, const ScriptMarkup &markup,
                         ProblemSink sink)
    : m_sink(std::move(sink)), m_limit(limit), m_markup(markup), m_codes(markup),
      m_holdLines(!markup.isEmpty())
{
    // The admission of every code, decided once by the line box's own rule.
    for (int code = 0; code < 256; ++code)
        m_codeRefused[std::size_t(code)] =
            admitKeystroke(qint16(code), true, table) == KeystrokeAction::Drop;
    m_outsideCodePageRefused =
        admitKeystroke(KeyCode::OutsideCodePage, true, table) == KeystrokeAction::Drop;
    for (char32_t ch = 0; ch < m_refusedBelow800.size(); ++ch)
        m_refusedBelow800[ch] = refuses(ch);
    for (char32_t ch = 0; ch < m_ascii.size(); ++ch) {
        m_ascii[ch] = LineEnds::isLineEnd(char(ch)) ? Ascii::LineEnd
                      : m_refusedBelow800[ch]       ? Ascii::Refused
                                                    : Ascii::Counted;
    }
}

bool TextScanner::refuses(char32_t ch) const
{
    const std::optional<qint16> code = keyCodeOf(ch);
    if (!code)
        return false;
    return *code == KeyCode::OutsideCodePage ? m_outsideCodePageRefused
                                             : m_codeRefused[std::size_t(*code)];
}

bool TextScanner::feed(std::string_view utf8)
{
    const char *p = utf8.data();
    const char *const end = p + utf8.size();
    while (p < end && m_error.isEmpty()) {
        const char *stop =
            m_holdLines ? std::find_if(p, end, LineEnds::isLineEnd) : scanText(p, end);
        if (stop > p) {
            m_lineEnds.sawText();
            m_lineOpen = true;
        }
        if (m_holdLines) {
            // A line whole in this piece is checked where it stands.
            if (stop == end || !m_held.isEmpty())
                m_held.append(p, stop - p);
            if (stop < end && m_lineEnds.endsLine(*stop)) {
                if (m_held.isEmpty())
                    checkLine(std::string_view(p, std::size_t(stop - p)));
                else
                    checkLine(std::string_view(m_held.constData(), std::size_t(m_held.size())));
                m_held.clear();
                endLine();
            }
        } else if (stop < end && m_lineEnds.endsLine(*stop)) {
            ++m_lines;
            endScreenLine();
            endLine();
        }
        p = stop + 1;
    }
    return m_error.isEmpty();
}

bool TextScanner::finish()
{
    if (m_lineOpen && m_error.isEmpty()) {
        if (m_holdLines) {
            checkLine(std::string_view(m_held.constData(), std::size_t(m_held.size())));
        } else {
            ++m_lines;
            endScreenLine();
        }
    }
    if (m_error.isEmpty())
        endMessage();
    return m_error.isEmpty();
}

void TextScanner::endLine()
{
    ++m_line;
    m_column = 0;
    m_lineOpen = false;
}

const char *TextScanner::scanText(const char *p, const char *end)
{
    qint64 column = m_column;
    const qint64 start = column;
    while (p < end) {
        const auto lead = static_cast<unsigned char>(*p);
        char32_t ch = lead;
        if (lead < 0x80) {
            const Ascii kind = m_ascii[lead];
            if (kind == Ascii::LineEnd)
                break;
            ++p;
            ++column;
            if (kind == Ascii::Refused)
                report({.kind = TextProblem::Kind::Character,
                        .line = m_line,
                        .column = column,
                        .character = ch});
            continue;
        }
        // Valid UTF-8: the lead byte tells the length.
        const auto trail = [p](int i) { return char32_t(static_cast<unsigned char>(p[i]) & 0x3F); };
        if (lead < 0xE0) {
            ch = (char32_t(lead & 0x1F) << 6) | trail(1);
            p += 2;
        } else if (lead < 0xF0) {
            ch = (char32_t(lead & 0x0F) << 12) | (trail(1) << 6) | trail(2);
            p += 3;
        } else {
            ch = (char32_t(lead & 0x07) << 18) | (trail(1) << 12) | (trail(2) << 6) | trail(3);
            p += 4;
        }
        ++column;
        if (ch < m_refusedBelow800.size() ? m_refusedBelow800[ch] : refuses(ch))
            report({.kind = TextProblem::Kind::Character,
                    .line = m_line,
                    .column = column,
                    .character = ch});
    }
    const qint64 counted = column - start;
    if (m_limit > 0 && m_length <= m_limit && m_length + counted > m_limit)
        m_pastLimit = start + (m_limit - m_length) + 1;
    m_length += counted;
    m_column = column;
    return p;
}

bool TextScanner::checkLine(std::string_view line)
{
    switch (m_markup.kind(line)) {
    case ScriptMarkup::LineKind::Skipped:
        endMessage();
        return true;
    case ScriptMarkup::LineKind::Original:
        return takeOriginal(line);
    case ScriptMarkup::LineKind::Text:
        break;
    }
    const bool blank = isBlank(line);
    if (blank) {
        endMessage();
    } else if (m_originalRun) {
        m_originalRun = false;
        m_compare = true;
    }
    m_codes.start(line, true);
    std::size_t at = 0;
    for (;;) {
        Code code;
        const Pattern::Outcome outcome = m_codes.next(code);
        if (outcome == Pattern::Outcome::Failed)
            return fail(m_codes.failedPattern());
        const std::size_t textEnd = outcome == Pattern::Outcome::Found ? code.start : line.size();
        if (textEnd > at) {
            if (!blank)
                openScreenLine(m_column + 1);
            scanText(line.data() + at, line.data() + textEnd);
            at = textEnd;
        }
        if (outcome == Pattern::Outcome::NotFound)
            break;
        takeCode(line, code, at, blank);
    }
    ++m_lines;
    endScreenLine();
    if (!blank) {
        m_translated = true;
        m_messageEnd = {m_line, m_column + 1};
    }
    return true;
}

// The code may overlap one taken before it, whose characters are counted already.
void TextScanner::takeCode(std::string_view line, const Code &code, std::size_t &at, bool blank)
{
    const qint64 column =
        m_column + 1 - (code.start < at ? characters(line.substr(code.start, at - code.start)) : 0);
    if (code.end > at) {
        m_column += characters(line.substr(at, code.end - at));
        at = code.end;
    }
    if (blank)
        return;
    openScreenLine(column);
    if (code.kind == Code::Kind::LineBreak) {
        endScreenLine();
        return;
    }
    if (m_compare) {
        QByteArray text(line.data() + code.start, qsizetype(code.end - code.start));
        if (++m_translatedCount[text] > m_originalCount.value(text))
            report({.kind = TextProblem::Kind::ExtraCode,
                    .line = m_line,
                    .column = column,
                    .code = text.toStdString()});
    }
    if (code.kind == Code::Kind::BoxEnd) {
        endScreenLine();
        endBox();
    }
}

bool TextScanner::takeOriginal(std::string_view line)
{
    if (!m_originalRun) {
        endMessage();
        m_originalRun = true;
        m_originalCodes.clear();
        m_originalCount.clear();
    }
    m_codes.start(line, false);
    Code code;
    Pattern::Outcome outcome;
    while ((outcome = m_codes.next(code)) == Pattern::Outcome::Found) {
        QByteArray text(line.data() + code.start, qsizetype(code.end - code.start));
        ++m_originalCount[text];
        m_originalCodes.emplace_back(std::move(text), m_line);
    }
    return outcome == Pattern::Outcome::Failed ? fail(m_codes.failedPattern()) : true;
}

void TextScanner::openScreenLine(qint64 column)
{
    if (m_screenLineOpen)
        return;
    m_screenLineOpen = true;
    if (++m_boxLines == m_markup.linesPerBox + 1)
        m_boxOverflow = {m_line, column};
}

void TextScanner::endScreenLine()
{
    if (m_limit > 0 && m_length > m_limit)
        report({.kind = TextProblem::Kind::LineTooLong,
                .line = m_line,
                .column = m_pastLimit,
                .count = m_length,
                .limit = m_limit});
    m_length = 0;
    m_screenLineOpen = false;
}

void TextScanner::endBox()
{
    if (m_markup.linesPerBox > 0 && m_boxLines > m_markup.linesPerBox) {
        report({.kind = TextProblem::Kind::BoxTooFull,
                .line = m_boxOverflow.first,
                .column = m_boxOverflow.second,
                .count = m_boxLines,
                .limit = m_markup.linesPerBox});
    }
    m_boxLines = 0;
}

void TextScanner::endMessage()
{
    endBox();
    if (m_compare && m_translated) {
        // The occurrences past those the message has are the ones it lacks.
        QHash<QByteArray, qint64> seen;
        for (const auto &[text, line] : m_originalCodes) {
            if (++seen[text] > m_translatedCount.value(text)) {
                report({.kind = TextProblem::Kind::MissingCode,
                        .line = m_messageEnd.first,
                        .column = m_messageEnd.second,
                        .count = line,
                        .code = text.toStdString()});
            }
        }
    }
    m_originalRun = false;
    m_compare = false;
    m_translated = false;
    m_translatedCount.clear();
}

bool TextScanner::fail(const Pattern &pattern)
{
    m_error = u"riga %1: l'espressione regolare \"%2\" non si può applicare: %3"_s.arg(m_line).arg(
        pattern.source(), pattern.reason());
    return false;
}

void TextScanner::report(TextProblem problem)
{
    ++m_problems;
    m_sink(problem);
}
