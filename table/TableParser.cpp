#include "TableParser.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__) && !defined(VERZINO_NO_SIMD)
#define VERZINO_MASKS_SSE2 1
#include <emmintrin.h>
#endif

// Files are long and lines short, and most lines define nothing, so the parser does not walk line
// by line: it takes 64 bytes at a time, makes one bit mask of their line ends and one of their "="
// bytes, and finds with a few shifts every line whose third byte is "=". Only those lines cost a
// branch each; headings, comments and other lines cost none.
//
// CR and LF are both line ends here. The empty line between the CR and the LF of a CR LF pair
// defines nothing, so CR LF needs no special case, not even when a feed ends between the two.

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Byte classes for codeOf(): a hex digit's value, a blank or anything else.
constexpr int kBlank = 16;
constexpr int kOther = 17;
constexpr int kClassCount = 18;
constexpr std::size_t kPairCount = kClassCount * kClassCount;

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

// The code for every pair of classes, worked out once: blanks skipped, digits read from the left
// up to the first other byte. Codes are random in a table, so a lookup beats branching on them.
constexpr std::array<std::uint8_t, kPairCount> makeCodes()
{
    std::array<std::uint8_t, kPairCount> codes{};
    for (int first = 0; first < kClassCount; ++first) {
        for (int second = 0; second < kClassCount; ++second) {
            int value = 0;
            for (const int digit : {first, second}) {
                if (digit == kBlank)
                    continue;
                if (digit == kOther)
                    break;
                value = value * 16 + digit;
            }
            codes[std::size_t(first * kClassCount + second)] = std::uint8_t(value);
        }
    }
    return codes;
}

constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();
constexpr std::array<std::uint8_t, kPairCount> kCodes = makeCodes();

constexpr std::size_t kStep = 64; // bytes per mask: one bit each

struct Masks {
    std::uint64_t lineEnds = 0; // CR or LF
    std::uint64_t equals = 0;
};

#if defined(VERZINO_MASKS_SSE2)

std::uint64_t bitsOf(__m128i bytes, char value)
{
    return std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(value))));
}

// The masks of the 64 bytes at p, 16 bytes per compare.
Masks masksOf(const char *p)
{
    Masks masks;
    for (std::size_t i = 0; i < kStep / 16; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * i));
        masks.lineEnds |= (bitsOf(bytes, '\r') | bitsOf(bytes, '\n')) << (16 * i);
        masks.equals |= bitsOf(bytes, '=') << (16 * i);
    }
    return masks;
}

#else

// Without SSE2, eight bytes at a time in a 64-bit word. The first byte is the word's lowest
// whatever the processor's byte order; GCC and Clang make this expression one load.
std::uint64_t wordAt(const char *p)
{
    const auto byte = [p](int i) { return std::uint64_t(std::uint8_t(p[i])) << (8 * i); };
    return byte(0) | byte(1) | byte(2) | byte(3) | byte(4) | byte(5) | byte(6) | byte(7);
}

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;

// The high bit of every byte of word that equals value, and no other bit. Exact, unlike the
// usual subtract trick: adding 0x7F to a byte's low seven bits sets its high bit unless they are
// all zero, and never carries into the next byte.
std::uint64_t highBitsEqual(std::uint64_t word, char value)
{
    const std::uint64_t x = word ^ (kOnes * std::uint8_t(value)); // zero bytes where equal
    return ~(((x & kLow7) + kLow7) | x) & ~kLow7;
}

// The eight high bits of a word side by side, first byte lowest: the multiply moves the high bit
// of byte k to bit 56 + k, and no two partial products meet.
std::uint64_t gatherHighBits(std::uint64_t highBits)
{
    return ((highBits >> 7) * 0x0102040810204080) >> 56;
}

Masks masksOf(const char *p)
{
    Masks masks;
    for (std::size_t i = 0; i < kStep / 8; ++i) {
        const std::uint64_t word = wordAt(p + 8 * i);
        masks.lineEnds |= gatherHighBits(highBitsEqual(word, '\r') | highBitsEqual(word, '\n'))
                          << (8 * i);
        masks.equals |= gatherHighBits(highBitsEqual(word, '=')) << (8 * i);
    }
    return masks;
}

#endif

// The masks of the 64 bytes at offset in a run of size bytes; bytes past the end count as zeros,
// which are neither line ends nor "=".
Masks masksAt(const char *begin, std::size_t size, std::size_t offset)
{
    if (offset >= size)
        return {};
    if (size - offset >= kStep)
        return masksOf(begin + offset);
    char padded[kStep] = {};
    std::memcpy(padded, begin + offset, size - offset);
    return masksOf(padded);
}

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// First CR or LF in [p, end), or end.
const char *findLineEnd(const char *p, const char *end)
{
    for (; std::size_t(end - p) >= kStep; p += kStep) {
        if (const std::uint64_t ends = masksOf(p).lineEnds)
            return p + std::countr_zero(ends);
    }
    while (p < end && !isLineEnd(*p))
        ++p;
    return p;
}

// Last CR or LF in [begin, end), or nullptr.
const char *findLastLineEnd(const char *begin, const char *end)
{
    for (; std::size_t(end - begin) >= kStep; end -= kStep) {
        if (const std::uint64_t ends = masksOf(end - kStep).lineEnds)
            return end - 1 - std::countl_zero(ends);
    }
    while (end > begin) {
        if (isLineEnd(*--end))
            return end;
    }
    return nullptr;
}

} // namespace

int TableParser::codeOf(char first, char second)
{
    return kCodes[std::size_t(kClasses[std::uint8_t(first)] * kClassCount +
                              kClasses[std::uint8_t(second)])];
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
    return m_startsWithMark || (validUtf8 && m_sawBeyondAscii) ? TextEncoding::Utf8
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
    checkEncoding(bytes);
    // Hold back what could be the byte order mark, a feed may end inside it; give it back to
    // the lines once it turns out not to be.
    const std::string_view mark = kByteOrderMark;
    while (m_markSeen >= 0 && !bytes.empty()) {
        if (m_markSeen == int(mark.size())) {
            m_markSeen = -1;
            m_startsWithMark = true;
        } else if (bytes.front() == mark[std::size_t(m_markSeen)]) {
            ++m_markSeen;
            bytes.remove_prefix(1);
        } else {
            const int held = m_markSeen;
            m_markSeen = -1;
            feedBytes(mark.substr(0, std::size_t(held)));
        }
    }
    feedBytes(bytes);
}

void TableParser::feedBytes(std::string_view bytes)
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
    // The whole lines in one sweep, then what is left of the last one.
    if (const char *lastEnd = findLastLineEnd(p, end)) {
        scanLines(p, lastEnd + 1);
        keepSeenTexts();
        p = lastEnd + 1;
    }
    if (p < end)
        feedLinePart(p, end);
}

void TableParser::scanLines(const char *begin, const char *end)
{
    const std::size_t size = std::size_t(end - begin);
    Masks next = masksAt(begin, size, 0);
    std::uint64_t startsCarry = 1; // begin starts a line
    for (std::size_t base = 0; base < size; base += kStep) {
        // A test two bytes on needs the start of the next 64 bytes too.
        const Masks here = next;
        next = masksAt(begin, size, base + kStep);

        // Bit i: byte i starts a line, neither it nor the byte after it ends the line, and the
        // byte two on is "=".
        const std::uint64_t starts = (here.lineEnds << 1) | startsCarry;
        const std::uint64_t endsOneOn = (here.lineEnds >> 1) | (next.lineEnds << 63);
        const std::uint64_t equalsTwoOn = (here.equals >> 2) | (next.equals << 62);
        std::uint64_t defining = starts & ~here.lineEnds & ~endsOneOn & equalsTwoOn;
        startsCarry = here.lineEnds >> 63;

        for (; defining != 0; defining &= defining - 1) {
            const int i = std::countr_zero(defining);
            const char *line = begin + base + std::size_t(i);
            // The text ends at the first line end after i: in these 64 bytes, in the next 64 or,
            // for a long text, further on. The run ends with a line end, so there is one.
            const char *textEnd;
            if (const std::uint64_t later = here.lineEnds >> i)
                textEnd = line + std::countr_zero(later);
            else if (next.lineEnds != 0)
                textEnd = begin + base + kStep + std::size_t(std::countr_zero(next.lineEnds));
            else
                textEnd = findLineEnd(begin + base + 2 * kStep, end);

            const int code = codeOf(line[0], line[1]);
            m_seen[std::size_t(code)] = std::string_view(line + 3, std::size_t(textEnd - line - 3));
            m_seenCodes[std::size_t(code) / 64] |= std::uint64_t(1) << (code % 64);
        }
    }
}

void TableParser::keepSeenTexts()
{
    for (std::size_t word = 0; word < m_seenCodes.size(); ++word) {
        for (std::uint64_t codes = m_seenCodes[word]; codes != 0; codes &= codes - 1) {
            const std::size_t code = word * 64 + std::size_t(std::countr_zero(codes));
            m_raw[code].assign(m_seen[code]);
            m_defined.set(code);
        }
        m_seenCodes[word] = 0;
    }
}

void TableParser::feedLinePart(const char *begin, const char *end)
{
    m_lineOpen = true;
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
    m_lineOpen = false;
    m_openText = nullptr;
    m_headLength = 0;
}

void TableParser::finish()
{
    // A file that is only the mark is read as marked; one that is only the start of it has those
    // bytes for its text.
    if (m_markSeen == int(kByteOrderMark.size())) {
        m_startsWithMark = true;
    } else if (m_markSeen > 0) {
        feedBytes(kByteOrderMark.substr(0, std::size_t(m_markSeen)));
    }
    m_markSeen = -1;
    if (m_lineOpen)
        endLine();
    m_utf8.finish([](char32_t) {});
}
