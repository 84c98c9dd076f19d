#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// How the bytes of a table (or of any text the program reads) become characters.
enum class TextEncoding { Windows1252, Utf8, Utf16LE, Utf16BE };

struct ByteOrderMark {
    TextEncoding encoding;
    std::size_t length; // in bytes
};

// The encoding that the byte order mark a text starts with calls for, and the mark's length:
// EF BB BF for UTF-8, FF FE for UTF-16 LE, FE FF for UTF-16 BE. None when the text starts with
// none of them.
std::optional<ByteOrderMark> byteOrderMark(std::string_view start);

// The bytes as characters, through TextDecoder: bytes not valid in the encoding give U+FFFD for
// each bad stretch, so a byte never vanishes. A byte order mark is decoded like any other character
// (U+FEFF): drop it first where a text starts with it.
QString decodeText(std::string_view bytes, TextEncoding encoding);

// Appends the character's UTF-8 bytes.
void appendUtf8(std::string &out, char32_t ch);

// The length of bytes without a UTF-8 sequence that the end cuts short: where a text was cut
// after a fixed number of bytes, what remains decodes without a stray U+FFFD at its end.
std::size_t wholeUtf8Length(std::string_view bytes);
