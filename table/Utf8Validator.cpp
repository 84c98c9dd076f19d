#include "Utf8Validator.h"

#include <cstring>

#if defined(__SSE2__) && !defined(VERZINO_NO_SIMD)
#define VERZINO_UTF8_SSE2 1
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kRun = 16;

// Whether the 16 bytes at p are all ASCII.
bool asciiRun(const unsigned char *p)
{
#if defined(VERZINO_UTF8_SSE2)
    return _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))) == 0;
#else
    std::uint64_t words[2];
    std::memcpy(words, p, sizeof words);
    return ((words[0] | words[1]) & 0x8080808080808080) == 0;
#endif
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

    while (p < end) {
        // Between sequences, ASCII runs go 16 bytes at a time; the rest byte by byte up to the
        // next boundary where a run could start again.
        if (m_pending == 0) {
            while (std::size_t(end - p) >= kRun && asciiRun(p))
                p += kRun;
        }
        const unsigned char *stop = std::size_t(end - p) >= kRun ? p + kRun : end;
        feedSlowly(p, stop);
        if (m_invalid)
            return;
        p = stop;
    }
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
