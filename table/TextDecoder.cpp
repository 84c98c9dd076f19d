#include "TextDecoder.h"

#include "Windows1252.h"

TextDecoder::Sequence TextDecoder::utf8Sequence(const unsigned char *p, std::size_t available)
{
    const unsigned char lead = p[0];
    std::size_t length = 0;
    char32_t ch = 0;
    // The second byte's range narrows for E0, ED, F0 and F4, which keeps out overlong forms,
    // surrogates and code points above U+10FFFF; C0, C1 and F5 to FF never lead.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        ch = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        ch = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        ch = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    }

    std::size_t fitting = length == 0 ? 0 : 1;
    for (; fitting < length && fitting < available; ++fitting) {
        const unsigned char byte = p[fitting];
        const bool fits = fitting == 1 ? byte >= low && byte <= high : (byte & 0xC0) == 0x80;
        if (!fits)
            break;
        ch = (ch << 6) | (byte & 0x3F);
    }
    if (length > 0 && fitting == length)
        return {ch, length, true};
    if (length > 0 && fitting == available)
        return {0, 0, true};
    return {Replacement, fitting == 0 ? 1 : fitting, false};
}

char32_t TextDecoder::windows1252(unsigned char byte)
{
    return Windows1252::toUnicode(byte).unicode();
}

const unsigned char *TextDecoder::decodeUtf16(const unsigned char *p, const unsigned char *end,
                                              Utf16Batch &batch, std::size_t &count)
{
    const bool little = m_encoding == TextEncoding::Utf16LE;
    std::size_t n = 0;
    // One unit gives two characters at most: U+FFFD for a high surrogate left unpaired, then its
    // own.
    const auto take = [&](const unsigned char *bytes) {
        const char16_t unit =
            little ? char16_t(bytes[0] | bytes[1] << 8) : char16_t(bytes[0] << 8 | bytes[1]);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (m_highSurrogate != 0 && low) {
            batch[n++] = 0x10000 + ((char32_t(m_highSurrogate) - 0xD800) << 10) + (unit - 0xDC00);
            m_highSurrogate = 0;
            return;
        }
        if (m_highSurrogate != 0 || low) {
            m_sawInvalid = true;
            batch[n++] = Replacement;
        }
        m_highSurrogate = high ? unit : 0;
        if (!high && !low)
            batch[n++] = unit;
    };
    if (m_pendingSize == 1) {
        m_pending[1] = *p++;
        m_pendingSize = 0;
        take(m_pending.data());
    }
    for (; end - p >= 2 && n + 2 <= batch.size(); p += 2)
        take(p);
    if (end - p == 1) {
        m_pending[0] = *p++;
        m_pendingSize = 1;
    }
    count = n;
    return p;
}
