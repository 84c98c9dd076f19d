#include "Utf8Validator.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) && !defined(VERZINO_NO_SIMD)
#define VERZINO_UTF8_SSE2 1
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kBlock = 64;

// The high bits of the 64 bytes at p, first byte lowest: where the non-ASCII bytes are.
std::uint64_t highBits(const unsigned char *p)
{
    std::uint64_t bits = 0;
#if defined(VERZINO_UTF8_SSE2)
    for (std::size_t i = 0; i < kBlock; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        bits |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(bytes))) << i;
    }
#else
    // Eight bytes to a word, first byte lowest whatever the byte order; the multiply moves the
    // high bit of byte k to bit 56 + k, and no two partial products meet.
    for (std::size_t i = 0; i < kBlock; i += 8) {
        std::uint64_t word = 0;
        for (std::size_t k = 0; k < 8; ++k)
            word |= std::uint64_t(p[i + k]) << (8 * k);
        const std::uint64_t high = (word & 0x8080808080808080) >> 7;
        bits |= ((high * 0x0102040810204080) >> 56) << i;
    }
#endif
    return bits;
}

// The length of the valid sequence that starts at p, with `available` bytes from p on: 0 when
// the bytes there are not valid UTF-8, -1 when the sequence runs past the available bytes.
int sequenceLength(const unsigned char *p, std::size_t available)
{
    const unsigned char lead = *p;
    if (lead < 0xC2 || lead > 0xF4)
        return 0;
    const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (available < length)
        return -1;
    // The second byte's range rules out overlong forms (E0, F0), surrogates (ED) and code
    // points above U+10FFFF (F4).
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char top = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    bool ok = p[1] >= low && p[1] <= top;
    for (std::size_t k = 2; k < length; ++k)
        ok = ok && (p[k] & 0xC0) == 0x80;
    return ok ? int(length) : 0;
}

} // namespace

void Utf8Validator::feed(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = p + bytes.size();

    // The mark can only be at the very start, and a feed may end inside it.
    for (const unsigned char *q = p; m_fed < ByteOrderMark.size() && q < end; ++q, ++m_fed) {
        if (m_markMatched == int(m_fed) && char(*q) == ByteOrderMark[m_fed])
            ++m_markMatched;
    }
    if (m_invalid)
        return;

    // A sequence left open by the last feed.
    for (; m_pending > 0 && p < end; ++p)
        feedSlowly(p, p + 1);
    if (m_invalid)
        return;

    // 64 bytes at a time: one mask of the non-ASCII bytes, then each sequence checked where it
    // lies, as long as it lies whole in this feed. ASCII costs nothing but the mask.
    while (std::size_t(end - p) >= kBlock) {
        const unsigned char *const base = p;
        std::uint64_t high = highBits(base);
        std::size_t next = kBlock; // where the next block starts, from base
        while (high != 0) {
            const std::size_t at = std::size_t(std::countr_zero(high));
            const int length = sequenceLength(base + at, std::size_t(end - base) - at);
            if (length <= 0) {
                if (length < 0) { // cut by the end of the feed: byte by byte from there
                    feedSlowly(base + at, end);
                    return;
                }
                m_invalid = true;
                return;
            }
            m_sawMultiByte = true;
            const std::size_t after = at + std::size_t(length);
            if (after >= kBlock) { // the sequence runs into the next 64 bytes
                next = after;
                break;
            }
            high &= ~std::uint64_t(0) << after;
        }
        p = base + next;
    }
    // The last few bytes, byte by byte: a sequence may stay open for the next feed.
    feedSlowly(p, end);
}

void Utf8Validator::feedSlowly(const unsigned char *p, const unsigned char *end)
{
    for (; p < end; ++p) {
        const unsigned char b = *p;
        if (m_pending > 0) {
            if (b < m_low || b > m_high) {
                m_invalid = true;
                return;
            }
            m_low = 0x80;
            m_high = 0xBF;
            if (--m_pending == 0)
                m_sawMultiByte = true;
            continue;
        }
        if (b < 0x80)
            continue;
        // The second byte's range rules out overlong forms (E0, F0), surrogates (ED) and code
        // points above U+10FFFF (F4); C0, C1 and F5 to FF never lead.
        if (b >= 0xC2 && b <= 0xDF) {
            m_pending = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_pending = 2;
            m_low = b == 0xE0 ? 0xA0 : 0x80;
            m_high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_pending = 3;
            m_low = b == 0xF0 ? 0x90 : 0x80;
            m_high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            m_invalid = true;
            return;
        }
    }
}

TextEncoding Utf8Validator::encoding() const
{
    if (startsWithByteOrderMark() || (valid() && sawMultiByte()))
        return TextEncoding::Utf8;
    return TextEncoding::Windows1252;
}
