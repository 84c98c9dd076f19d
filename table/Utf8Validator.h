#pragma once

#include "TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Tells, while a file streams past in blocks of any size, whether it is to be read as UTF-8: it
// starts with the byte order mark, or it is valid UTF-8 and holds at least one multi-byte
// sequence. Anything else (invalid UTF-8, or plain ASCII) is Windows-1252, which reads ASCII the
// same. A Windows-1252 text whose high bytes happen to pair up as valid UTF-8 ("Ã©") reads as
// UTF-8: the bytes alone cannot tell the two apart, and such pairs are rare in real text.
//
// Validity is the strict one of RFC 3629: no overlong forms, no surrogates, nothing above
// U+10FFFF, and a sequence left open at the end is invalid. Costs nothing once the bytes are
// known to be invalid, and little on ASCII, which is skipped 64 bytes at a time.
class Utf8Validator final {
public:
    static constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

    void feed(std::string_view bytes);

    // Whether everything fed so far is valid UTF-8 with no sequence left open.
    bool valid() const { return !m_invalid && m_pending == 0; }
    // Whether a complete multi-byte sequence has been seen (the byte order mark counts).
    bool sawMultiByte() const { return m_sawMultiByte; }
    // Whether the first bytes fed are the byte order mark.
    bool startsWithByteOrderMark() const { return m_markMatched == int(ByteOrderMark.size()); }

    // The reading the bytes fed so far call for; meant to be asked after the last feed.
    TextEncoding encoding() const;

private:
    void feedSlowly(const unsigned char *p, const unsigned char *end);

    std::size_t m_fed = 0;     // bytes fed so far, up to the length of the mark
    int m_markMatched = 0;     // leading bytes equal to the mark's
    int m_pending = 0;         // continuation bytes the open sequence still needs
    std::uint8_t m_low = 0x80; // the range the next continuation byte must lie in
    std::uint8_t m_high = 0xBF;
    bool m_invalid = false;
    bool m_sawMultiByte = false;
};
