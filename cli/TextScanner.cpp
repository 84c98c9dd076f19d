#include "TextScanner.h"

#include "CharacterCodes.h"
#include "Keystroke.h"
#include "TextDecoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Characters, not bytes: every byte but UTF-8's continuation bytes starts one.
qint64 characters(std::string_view utf8)
{
    return std::count_if(utf8.cbegin(), utf8.cend(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

// The scanner's fast path over one- and two-byte UTF-8: one table of 64 KiB answers for each
// pair of neighbouring bytes, a character and what follows it, without a branch.
constexpr unsigned pairIndex(unsigned char first, unsigned char second)
{
    return first | unsigned(second) << 8;
}

// The eight pairs that start at p[0] to p[7] (reading p[8]), as table indices: pairs 0, 2, 4
// and 6 in the lanes of even, the others in those of odd.
struct Pairs {
    std::uint64_t even;
    std::uint64_t odd;
};
Pairs pairsAt(const unsigned char *p)
{
    std::uint64_t here;
    std::uint64_t next;
    std::memcpy(&here, p, 8);
    std::memcpy(&next, p + 1, 8);
    constexpr std::uint64_t kEven = 0x00FF00FF00FF00FFu;
    return {(here & kEven) | (next & kEven) << 8, (here >> 8 & kEven) | (next >> 8 & kEven) << 8};
}

bool allPass(const unsigned char *table, Pairs pairs)
{
    const auto at = [table](std::uint64_t lanes, int lane) {
        return table[lanes >> lane & 0xFFFF];
    };
    return (at(pairs.even, 0) & at(pairs.even, 16) & at(pairs.even, 32) & at(pairs.even, 48) &
            at(pairs.odd, 0) & at(pairs.odd, 16) & at(pairs.odd, 32) & at(pairs.odd, 48)) != 0;
}

// Pair i's answer in bit i.
unsigned answers(const unsigned char *table, Pairs pairs)
{
    unsigned all = 0;
    for (int pair = 0; pair < 8; pair += 2) {
        all |= unsigned(table[pairs.even >> (8 * pair) & 0xFFFF]) << pair;
        all |= unsigned(table[pairs.odd >> (8 * pair) & 0xFFFF]) << (pair + 1);
    }
    return all;
}

// Whether in valid UTF-8 of one- and two-byte characters, the bulk of most texts, the first
// byte may be followed by the second: ASCII and a trail byte by anything but a trail byte, a
// two-byte lead (C2 to DF) by a trail byte only.
constexpr bool isPlainPair(unsigned char first, unsigned char second)
{
    const auto isTrail = [](unsigned char byte) { return (byte & 0xC0) == 0x80; };
    return first < 0x80 || isTrail(first) ? !isTrail(second)
                                          : first >= 0xC2 && first <= 0xDF && isTrail(second);
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
    // Which characters the fast path may pass, by their first byte and the one after it.
    m_pairs.resize(65536);
    for (unsigned first = 0; first < 256; ++first) {
        for (unsigned second = 0; second < 256; ++second) {
            const char32_t twoBytes = (char32_t(first & 0x1F) << 6) | (second & 0x3F);
            const bool admitted =
                first < 0x80    ? !LineEnds::isLineEnd(char(first)) && !m_refusedBelow800[first]
                : first >= 0xC0 ? !m_refusedBelow800[twoBytes]
                                : true;
            m_pairs[pairIndex(first, second)] = admitted && isPlainPair(first, second);
        }
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
    if (!m_holdLines) {
        scanText(p, end);
        return true;
    }
    // Line ends found with memchr(), each kind looked for again only once passed: a text of
    // one kind never has the other searched for line after line.
    const auto find = [end](const char *from, char c) {
        const void *found = std::memchr(from, c, std::size_t(end - from));
        return found ? static_cast<const char *>(found) : end;
    };
    const char *lineFeed = find(p, '\n');
    const char *carriageReturn = find(p, '\r');
    while (p < end && m_error.isEmpty()) {
        if (lineFeed < p)
            lineFeed = find(p, '\n');
        if (carriageReturn < p)
            carriageReturn = find(p, '\r');
        const char *const stop = std::min(lineFeed, carriageReturn);
        if (stop > p) {
            m_lineEnds.sawText();
            m_lineOpen = true;
        }
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

// On the way of every line: in line, the rare report out of it.
inline void TextScanner::endScreenLine()
{
    if (m_limit > 0 && m_length > m_limit) [[unlikely]]
        reportLength();
    m_length = 0;
    m_screenLineOpen = false;
}

void TextScanner::endLine()
{
    ++m_line;
    m_column = 0;
    m_lineOpen = false;
}

const char *TextScanner::scanText(const char *from, const char *to)
{
    const auto *p = reinterpret_cast<const unsigned char *>(from);
    const auto *const end = reinterpret_cast<const unsigned char *>(to);
    const auto *start = p;
    qint64 trailBytes = 0; // bytes that are no column of their own
    // Columns so far to the line; a screen line's length and where it passed the limit.
    const auto settle = [&] {
        const qint64 counted = (p - start) - trailBytes;
        if (m_limit > 0 && m_length <= m_limit && m_length + counted > m_limit)
            m_pastLimit = m_column + (m_limit - m_length) + 1;
        m_length += counted;
        m_column += counted;
        if (counted > 0 && !m_holdLines) {
            m_lineEnds.sawText();
            m_lineOpen = true;
        }
        start = p;
        trailBytes = 0;
    };
    while (p < end) {
        // Admitted characters of one and two bytes, eight bytes at a time, up to the first
        // pair the table refuses; from there a character at a time below. A window never starts
        // at a trail byte, whose lead no pair has seen.
        while (end - p >= 9 && (*p & 0xC0) != 0x80) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            constexpr std::uint64_t kHigh = 0x8080808080808080u;
            unsigned passed = 0;
            if ((word & kHigh) == 0) {
                // An ASCII byte's answer does not depend on the byte after it.
                const auto ascii = [this, p](int i) { return m_pairs[p[i]]; };
                if ((ascii(0) & ascii(1) & ascii(2) & ascii(3) & ascii(4) & ascii(5) & ascii(6) &
                     ascii(7)) != 0) {
                    p += 8;
                    continue;
                }
                for (int i = 0; i < 8; ++i)
                    passed |= unsigned(ascii(i)) << i;
            } else {
                const Pairs pairs = pairsAt(p);
                passed = allPass(m_pairs.data(), pairs) ? 0xFF : answers(m_pairs.data(), pairs);
            }
            // Trail bytes (10xxxxxx) counted in their lanes; a two-byte character the window's
            // last pair saw through ends past it.
            int n = std::countr_one(passed);
            // The first refused pair may start at the trail of a character a passed pair saw
            // through.
            if (n > 0 && n < 8 && (p[n] & 0xC0) == 0x80)
                ++n;
            const int last = passed == 0xFF && (p[8] & 0xC0) == 0x80 ? 1 : 0;
            const std::uint64_t lanes =
                n == 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << 8 * n) - 1;
            const std::uint64_t trails = (word & ~(word << 1) & kHigh & lanes) >> 7;
            trailBytes += qint64((trails * 0x0101010101010101u) >> 56) + last;
            p += n + last;
            if (passed != 0xFF)
                break;
        }
        if (p == end)
            break;
        char32_t ch = *p;
        std::size_t length = 1;
        if (ch >= 0x80) {
            // The decoder's own rule. A sequence open at the piece's end is invalid: the caller
            // keeps back one that the next piece could complete.
            TextDecoder::Sequence sequence = TextDecoder::utf8Sequence(p, std::size_t(end - p));
            if (sequence.length == 0)
                sequence = {TextDecoder::Replacement, std::size_t(end - p), false};
            ch = sequence.character;
            length = sequence.length;
            m_sawInvalid = m_sawInvalid || !sequence.valid;
        } else if (LineEnds::isLineEnd(char(ch))) {
            // Held lines come without their ends; a text read through takes them here.
            if (m_holdLines)
                break;
            settle();
            if (m_lineEnds.endsLine(char(ch))) {
                ++m_lines;
                endScreenLine();
                endLine();
            }
            start = ++p;
            continue;
        }
        p += length;
        trailBytes += qint64(length) - 1;
        if (ch < m_refusedBelow800.size() ? m_refusedBelow800[ch] : refuses(ch)) {
            report({.kind = TextProblem::Kind::Character,
                    .line = m_line,
                    .column = m_column + (p - start) - trailBytes,
                    .character = ch});
        }
    }
    settle();
    return reinterpret_cast<const char *>(p);
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
        CodeCount &count = countOf(line.substr(code.start, code.end - code.start));
        if (count.translated == count.original) {
            report({.kind = TextProblem::Kind::ExtraCode,
                    .line = m_line,
                    .column = column,
                    .code = std::string(line.substr(code.start, code.end - code.start))});
        } else {
            ++count.translated;
        }
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
        ++m_message;
        // Codes that differ in every message would fill it: the counts begin anew.
        if (m_codeCounts.size() > 4096)
            m_codeCounts.clear();
    }
    m_codes.start(line, false);
    Code code;
    Pattern::Outcome outcome;
    while ((outcome = m_codes.next(code)) == Pattern::Outcome::Found) {
        const std::string_view text = line.substr(code.start, code.end - code.start);
        ++countOf(text).original;
        m_originalCodes.emplace_back(
            m_codeCounts.find(QByteArray::fromRawData(text.data(), qsizetype(text.size()))).key(),
            m_line);
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

void TextScanner::reportLength()
{
    report({.kind = TextProblem::Kind::LineTooLong,
            .line = m_line,
            .column = m_pastLimit,
            .count = m_length,
            .limit = m_limit});
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
        for (const auto &[text, line] : m_originalCodes) {
            CodeCount &count = m_codeCounts[text];
            if (count.translated > 0) {
                --count.translated;
                continue;
            }
            report({.kind = TextProblem::Kind::MissingCode,
                    .line = m_messageEnd.first,
                    .column = m_messageEnd.second,
                    .count = line,
                    .code = text.toStdString()});
        }
    }
    m_originalRun = false;
    m_compare = false;
    m_translated = false;
    ++m_message;
}

// A code's counts in this message; looked up without a copy of its text.
TextScanner::CodeCount &TextScanner::countOf(std::string_view code)
{
    auto found = m_codeCounts.find(QByteArray::fromRawData(code.data(), qsizetype(code.size())));
    if (found == m_codeCounts.end())
        found = m_codeCounts.insert(QByteArray(code.data(), qsizetype(code.size())), {});
    if (found->message != m_message)
        *found = {0, 0, m_message};
    return *found;
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
