#include "TableParser.h"

#include <algorithm>
#include <cstring>

// CR and LF are both line ends here. The empty line between the CR and the LF of a CR LF pair
// defines nothing, so CR LF matters only to the count of lines.

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

int TableParser::codeOf(char first, char second)
{
    int value = 0;
    for (const char c : {first, second}) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        const int digit = hexValue(c);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return value;
}

void TableParser::Kept::assign(std::string_view text)
{
    length = 0;
    cut = false;
    append(text);
}

void TableParser::Kept::append(std::string_view text)
{
    const std::size_t n = std::min(text.size(), KeptBytes - length);
    std::memcpy(bytes.data() + length, text.data(), n);
    length = std::uint8_t(length + n);
    cut = cut || n < text.size();
}

TextEncoding TableParser::encoding() const
{
    const bool validUtf8 = !m_utf8.sawInvalid() && m_utf8.pendingBytes() == 0;
    return m_mark || (validUtf8 && m_sawBeyondAscii) ? TextEncoding::Utf8
                                                     : TextEncoding::Windows1252;
}

void TableParser::checkEncoding(std::string_view bytes)
{
    // Once a byte is not UTF-8, the file is Windows-1252 whatever follows.
    if (!m_utf8.sawInvalid())
        m_utf8.decode(bytes, [this](char32_t ch) { m_sawBeyondAscii |= ch >= 0x80; });
}

void TableParser::feed(std::string_view bytes)
{
    if (!m_openingDone) {
        // A feed may end inside the mark: hold the first bytes until they tell.
        while (m_openingLength < m_opening.size() && !bytes.empty()) {
            m_opening[m_openingLength++] = bytes.front();
            bytes.remove_prefix(1);
        }
        if (m_openingLength < m_opening.size())
            return;
        takeOpening();
    }
    take(bytes);
}

void TableParser::takeOpening()
{
    m_openingDone = true;
    std::string_view opening(m_opening.data(), m_openingLength);
    m_mark = byteOrderMark(opening);
    if (m_mark) {
        opening.remove_prefix(m_mark->length);
        if (m_mark->encoding != TextEncoding::Utf8)
            m_utf16.emplace(m_mark->encoding);
    }
    take(opening);
}

void TableParser::take(std::string_view bytes)
{
    if (!m_utf16) {
        checkEncoding(bytes);
        feedLines(bytes.data(), bytes.data() + bytes.size());
        return;
    }
    m_asUtf8.clear();
    m_utf16->decode(bytes, [this](char32_t ch) { appendUtf8(m_asUtf8, ch); });
    feedLines(m_asUtf8.data(), m_asUtf8.data() + m_asUtf8.size());
}

void TableParser::feedLines(const char *p, const char *end)
{
    while (p < end) {
        const char *const eol = std::find_if(p, end, LineEnds::isLineEnd);
        if (p < eol)
            m_lineEnds.sawText();
        if (!m_lineOpen && eol < end) {
            // The whole line is in this feed: the common case.
            if (eol - p >= 3 && p[2] == '=') {
                const std::size_t code = std::size_t(codeOf(p[0], p[1]));
                m_raw[code].assign(std::string_view(p + 3, std::size_t(eol - p - 3)));
                m_defined.set(code);
            } else {
                sniff(p, eol);
                endSniff();
            }
        } else {
            feedLinePart(p, eol);
            if (eol == end)
                return;
            endLine();
        }
        if (m_lineEnds.endsLine(*eol))
            ++m_line;
        p = eol + 1;
    }
}

void TableParser::sniff(const char *p, const char *end)
{
    // A line that defines a code has "=" third, after at most two digits: never unusable.
    for (; p < end && m_shape == Shape::Open; ++p) {
        if (m_digits == 0 && !m_marker && (*p == '/' || *p == '*' || *p == '$'))
            m_marker = true;
        else if (hexValue(*p) >= 0)
            ++m_digits;
        else
            m_shape =
                *p == '=' && m_digits >= (m_marker ? 2u : 3u) ? Shape::Unusable : Shape::Other;
    }
}

void TableParser::endSniff()
{
    if (m_shape == Shape::Unusable || (m_shape == Shape::Open && m_marker && m_digits >= 2)) {
        if (m_unusableLines++ == 0)
            m_firstUnusableLine = m_line;
    }
    m_shape = Shape::Open;
    m_marker = false;
    m_digits = 0;
}

void TableParser::feedLinePart(const char *begin, const char *end)
{
    m_lineOpen = true;
    sniff(begin, end);
    if (m_openText) {
        m_openText->append(std::string_view(begin, std::size_t(end - begin)));
        return;
    }
    while (m_headLength < 3 && begin < end)
        m_head[m_headLength++] = *begin++;
    if (m_headLength == 3 && m_head[2] == '=') {
        const std::size_t code = std::size_t(codeOf(m_head[0], m_head[1]));
        m_openText = &m_raw[code];
        m_openText->assign(std::string_view(begin, std::size_t(end - begin)));
        m_defined.set(code);
    }
}

void TableParser::endLine()
{
    endSniff();
    m_lineOpen = false;
    m_openText = nullptr;
    m_headLength = 0;
}

void TableParser::finish()
{
    // A file shorter than any mark is read as it is.
    if (!m_openingDone)
        takeOpening();
    if (m_utf16) {
        m_asUtf8.clear();
        m_utf16->finish([this](char32_t ch) { appendUtf8(m_asUtf8, ch); });
        feedLines(m_asUtf8.data(), m_asUtf8.data() + m_asUtf8.size());
    }
    if (m_lineOpen)
        endLine();
    m_utf8.finish([](char32_t) {});
}
