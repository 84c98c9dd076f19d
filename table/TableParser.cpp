#include "TableParser.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// First CR or LF in [p, end), or end. Lines are short and files long, so scan 16 bytes a step.
const char *findLineEnd(const char *p, const char *end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf));
        if (const int mask = _mm_movemask_epi8(hits))
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

} // namespace

int TableParser::codeOf(char first, char second)
{
    int value = 0;
    for (const char c : {first, second}) {
        if (isBlank(c))
            continue;
        const int digit = hexValue(c);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return value;
}

void TableParser::define(char first, char second, const char *textBegin, const char *textEnd)
{
    const int code = codeOf(first, second);
    m_raw[std::size_t(code)].assign(textBegin, textEnd);
    m_defined.set(std::size_t(code));
}

void TableParser::feed(std::string_view bytes)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    if (m_skipLineFeed && p < end) {
        m_skipLineFeed = false;
        if (*p == '\n')
            ++p;
    }
    while (p < end) {
        const char *eol = findLineEnd(p, end);
        if (!m_lineOpen && eol < end) {
            // The whole line is in this feed: the common case.
            if (eol - p >= 3 && p[2] == '=')
                define(p[0], p[1], p + 3, eol);
        } else {
            feedLinePart(p, eol);
            if (eol == end)
                return;
            endLine();
        }
        if (*eol == '\r') {
            if (eol + 1 == end) {
                m_skipLineFeed = true;
                return;
            }
            p = eol + (eol[1] == '\n' ? 2 : 1);
        } else {
            p = eol + 1;
        }
    }
}

void TableParser::feedLinePart(const char *begin, const char *end)
{
    m_lineOpen = true;
    if (m_openText) {
        m_openText->append(begin, end);
        return;
    }
    while (m_headLength < 3 && begin < end)
        m_head[m_headLength++] = *begin++;
    if (m_headLength == 3 && m_head[2] == '=') {
        define(m_head[0], m_head[1], begin, end);
        m_openText = &m_raw[std::size_t(codeOf(m_head[0], m_head[1]))];
    }
}

void TableParser::endLine()
{
    m_lineOpen = false;
    m_openText = nullptr;
    m_headLength = 0;
}

void TableParser::finish()
{
    if (m_lineOpen)
        endLine();
    m_skipLineFeed = false;
}
