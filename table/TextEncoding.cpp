#include "TextEncoding.h"

#include "Windows1252.h"

#include <cstdint>

QString decodeText(std::string_view bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    return Windows1252::decode(bytes);
}

std::size_t wholeUtf8Length(std::string_view bytes)
{
    // Back over at most three continuation bytes to the byte that leads them.
    std::size_t start = bytes.size();
    int continuations = 0;
    while (start > 0 && continuations < 3 && (std::uint8_t(bytes[start - 1]) & 0xC0) == 0x80) {
        --start;
        ++continuations;
    }
    if (start == 0)
        return bytes.size();
    const std::uint8_t lead = std::uint8_t(bytes[start - 1]);
    const int needed = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead >= 0xC0 && continuations < needed)
        return start - 1;
    return bytes.size();
}
