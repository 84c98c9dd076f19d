#pragma once

#include <QChar>

#include <optional>

// The one 8-bit code page of the program: table files are decoded with it and a keystroke's
// character is mapped to its code with it, so a byte in a file and the same code typed on the
// keyboard always give the same character. The five bytes Windows-1252 leaves undefined map to
// the C1 controls of the same value, which keeps the mapping one-to-one over all 256 bytes.
namespace Windows1252 {

QChar toUnicode(unsigned char byte);
std::optional<unsigned char> fromUnicode(QChar ch);

} // namespace Windows1252
