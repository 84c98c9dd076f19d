#pragma once

#include <QString>

#include <cstddef>
#include <string_view>

// How the bytes of a table (or of any text the program reads) become characters.
enum class TextEncoding { Windows1252, Utf8 };

// The bytes as characters, through TextDecoder: UTF-8 that is not valid gives U+FFFD for each bad
// stretch, so a byte never vanishes. A byte order mark is decoded like any other character
// (U+FEFF): drop it first where a text starts with it.
QString decodeText(std::string_view bytes, TextEncoding encoding);

// The length of bytes without a UTF-8 sequence that the end cuts short: where a text was cut
// after a fixed number of bytes, what remains decodes without a stray U+FFFD at its end.
std::size_t wholeUtf8Length(std::string_view bytes);
