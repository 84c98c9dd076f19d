#include "MaskedTableParser.h"

#include <cstring>

#include <emmintrin.h>

namespace {

constexpr int kBlank = 16;
constexpr int kOther = 17;

constexpr std::array<std::uint8_t, 256> makeClasses()
{
    std::array<std::uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        if (c >= '0' && c <= '9')
            classes[std::size_t(c)] = std::uint8_t(c - '0');
        else if (c >= 'A' && c <= 'F')
            classes[std::size_t(c)] = std::uint8_t(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            classes[std::size_t(c)] = std::uint8_t(c - 'a' + 10);
        else if (c == ' ' || c == '\t' || c == '\n')
            classes[std::size_t(c)] = kBlank;
        else
            classes[std::size_t(c)] = kOther;
    }
    return classes;
}

// The code for every pair of byte classes: blanks skipped, digits up to the first other byte.
constexpr std::array<std::uint8_t, 18 * 18> makeCodes()
{
    std::array<std::uint8_t, 18 * 18> codes{};
    for (int a = 0; a < 18; ++a) {
        for (int b = 0; b < 18; ++b) {
            int value = 0;
            for (const int digit : {a, b}) {
                if (digit == kBlank)
                    continue;
                if (digit == kOther)
                    break;
                value = value * 16 + digit;
            }
            codes[std::size_t(a * 18 + b)] = std::uint8_t(value);
        }
    }
    return codes;
}

constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();
constexpr std::array<std::uint8_t, 18 * 18> kCodes = makeCodes();

int codeOf(char first, char second)
{
    return kCodes[std::size_t(kClasses[std::uint8_t(first)] * 18 + kClasses[std::uint8_t(second)])];
}

struct Masks {
    std::uint64_t lineEnds = 0;
    std::uint64_t equals = 0;
};

std::uint64_t bits16(__m128i bytes, __m128i value)
{
    return std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, value)));
}

Masks masksOf(const char *p)
{
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i eq = _mm_set1_epi8('=');
    Masks m;
    for (int i = 0; i < 4; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * i));
        m.lineEnds |= (bits16(bytes, cr) | bits16(bytes, lf)) << (16 * i);
        m.equals |= bits16(bytes, eq) << (16 * i);
    }
    return m;
}

// The masks of the 64 bytes at offset in [begin, begin + size); bytes past the end count as 0.
Masks masksAt(const char *begin, std::size_t size, std::size_t offset)
{
    if (offset >= size)
        return {};
    if (size - offset >= 64)
        return masksOf(begin + offset);
    char padded[64] = {};
    std::memcpy(padded, begin + offset, size - offset);
    return masksOf(padded);
}

const char *findLineEnd(const char *p, const char *end)
{
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

const char *findLastLineEnd(const char *begin, const char *end)
{
    for (const char *p = end; p > begin; --p) {
        if (p[-1] == '\r' || p[-1] == '\n')
            return p - 1;
    }
    return nullptr;
}

} // namespace

void MaskedTableParser::scanLines(const char *begin, const char *end)
{
    const std::size_t size = std::size_t(end - begin);
    Masks next = masksAt(begin, size, 0);
    std::uint64_t lineStartCarry = 1; // begin starts a line
    for (std::size_t base = 0; base < size; base += 64) {
        const Masks here = next;
        next = masksAt(begin, size, base + 64);
        // Bit i: byte i starts a line, is not a line end, nor is the byte after it, and the byte
        // two further on is "=".
        const std::uint64_t starts = (here.lineEnds << 1) | lineStartCarry;
        const std::uint64_t endAfter = (here.lineEnds >> 1) | (next.lineEnds << 63);
        const std::uint64_t equalsTwoOn = (here.equals >> 2) | (next.equals << 62);
        std::uint64_t defining = starts & ~here.lineEnds & ~endAfter & equalsTwoOn;
        lineStartCarry = here.lineEnds >> 63;

        while (defining) {
            const int i = __builtin_ctzll(defining);
            defining &= defining - 1;
            const char *line = begin + base + std::size_t(i);
            // The byte at i + 2 is "=", so the first line end after i is the text's end.
            const std::uint64_t laterHere = here.lineEnds & ~((std::uint64_t(2) << i) - 1);
            const char *textEnd;
            if (laterHere)
                textEnd = begin + base + std::size_t(__builtin_ctzll(laterHere));
            else if (next.lineEnds)
                textEnd = begin + base + 64 + std::size_t(__builtin_ctzll(next.lineEnds));
            else
                textEnd = findLineEnd(begin + base + 128, end);
            const int code = codeOf(line[0], line[1]);
            m_seen[std::size_t(code)] = std::string_view(line + 3, std::size_t(textEnd - line - 3));
            m_seenCodes[code >> 6] |= std::uint64_t(1) << (code & 63);
        }
    }
}

void MaskedTableParser::keepTexts()
{
    for (int word = 0; word < 4; ++word) {
        for (std::uint64_t codes = m_seenCodes[word]; codes; codes &= codes - 1) {
            const int code = word * 64 + __builtin_ctzll(codes);
            m_raw[std::size_t(code)].assign(m_seen[std::size_t(code)]);
            m_defined.set(std::size_t(code));
        }
        m_seenCodes[word] = 0;
    }
}

void MaskedTableParser::feed(std::string_view bytes)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    if (m_lineOpen) {
        const char *eol = findLineEnd(p, end);
        feedLinePart(p, eol);
        if (eol == end)
            return;
        endLine();
        p = eol + 1;
    }
    const char *lastEnd = findLastLineEnd(p, end);
    if (lastEnd) {
        scanLines(p, lastEnd + 1);
        keepTexts();
        p = lastEnd + 1;
    }
    if (p < end)
        feedLinePart(p, end);
}

void MaskedTableParser::feedLinePart(const char *begin, const char *end)
{
    m_lineOpen = true;
    if (m_openText) {
        m_openText->append(begin, end);
        return;
    }
    while (m_headLength < 3 && begin < end)
        m_head[m_headLength++] = *begin++;
    if (m_headLength == 3 && m_head[2] == '=') {
        const int code = codeOf(m_head[0], m_head[1]);
        m_openText = &m_raw[std::size_t(code)];
        m_openText->assign(begin, end);
        m_defined.set(std::size_t(code));
    }
}

void MaskedTableParser::endLine()
{
    m_lineOpen = false;
    m_openText = nullptr;
    m_headLength = 0;
}

void MaskedTableParser::finish()
{
    if (m_lineOpen)
        endLine();
}
