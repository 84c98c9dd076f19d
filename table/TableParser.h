#pragma once

#include "LineEnds.h"
#include "TextDecoder.h"
#include "TextEncoding.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Streams the bytes of a table file and keeps, per byte code, the raw text of the last line that
// defines it. A line is "HH=text": two hex digits, "=" as the third byte, the rest untrimmed.
// Lines end at CR LF, LF or CR; the last one needs no terminator. A byte order mark at the start
// is not part of the first line. After the mark of UTF-16 (LE or BE, as Windows editors save
// "Unicode"), the file is read as the characters it holds, each kept as its UTF-8 bytes.
//
// Of a text only its first KeptBytes bytes are kept, and whether more followed: the lookup only
// asks whether a whole entry is one character (at most four bytes) and the fill whether it is
// empty, and eight bytes are always at least two characters. So memory stays the same whatever
// the file and its lines.
class TableParser final {
public:
    static constexpr std::size_t KeptBytes = 8;

    void feed(std::string_view bytes);
    void finish(); // ends the last line; call once after the last feed

    bool defines(int code) const { return m_defined.test(std::size_t(code)); }
    // The first KeptBytes bytes of the code's text at most.
    std::string_view rawText(int code) const { return m_raw.at(std::size_t(code)).view(); }
    // Whether the code's text is longer than rawText().
    bool isCut(int code) const { return m_raw.at(std::size_t(code)).cut; }

    // How the texts are to be decoded: UTF-8 for a file with a byte order mark (UTF-16 ones
    // included, whose texts are kept as UTF-8) or valid UTF-8 with a character beyond ASCII,
    // Windows-1252 for any other, which reads ASCII the same. A
    // Windows-1252 text whose high bytes happen to pair up as valid UTF-8 ("Ã©") reads as UTF-8:
    // the bytes alone cannot tell, and such pairs are rare in real text. Meant for after finish().
    TextEncoding encoding() const;

    // Lines that look like definitions but cannot be used, which the reading skips like any
    // other: a code of more than two hex digits before "=" ("8140=..."), and "/", "*" or "$"
    // with a code, alone or before "=" (end and line-break markers: "/FF=", "*FE"). How many, and
    // the number of the first, counting CR LF, LF and CR as one line end each.
    std::size_t unusableLines() const { return m_unusableLines; }
    std::size_t firstUnusableLine() const { return m_firstUnusableLine; }

    // The code of a line from its first two bytes, the way the original numeric conversion reads
    // "&H" followed by them: blanks skipped, hex digits up to the first other byte, none gives 0.
    static int codeOf(char first, char second);

private:
    // The start of a text, in place.
    struct Kept {
        std::array<char, KeptBytes> bytes = {};
        std::uint8_t length = 0;
        bool cut = false;

        std::string_view view() const { return {bytes.data(), length}; }
        void assign(std::string_view text);
        void append(std::string_view text);
    };

    // The first bytes, once they tell whether a mark starts the file; then every other byte.
    void takeOpening();
    void take(std::string_view bytes);
    void checkEncoding(std::string_view bytes);
    void feedLines(const char *p, const char *end);
    // The part of a line that a feed holds, when the line does not lie whole in one feed.
    void feedLinePart(const char *begin, const char *end);
    void endLine();
    // Follows a line's first bytes until they show whether it looks like an unusable definition.
    void sniff(const char *begin, const char *end);
    void endSniff();

    std::array<Kept, 256> m_raw;
    std::bitset<256> m_defined;

    // A line that spans feeds.
    char m_head[3] = {};
    int m_headLength = 0;
    Kept *m_openText = nullptr; // the entry the open line is defining, if any
    bool m_lineOpen = false;

    // The shape of the line being read, and where it is.
    enum class Shape : std::uint8_t { Open, Unusable, Other };
    Shape m_shape = Shape::Open;
    bool m_marker = false;
    std::size_t m_digits = 0;
    std::size_t m_line = 1;
    LineEnds m_lineEnds;
    std::size_t m_unusableLines = 0;
    std::size_t m_firstUnusableLine = 0;

    TextDecoder m_utf8{TextEncoding::Utf8};
    bool m_sawBeyondAscii = false;
    // The first bytes, held until they show whether the file starts with a byte order mark.
    std::array<char, 3> m_opening = {};
    std::size_t m_openingLength = 0;
    bool m_openingDone = false;
    std::optional<ByteOrderMark> m_mark;
    std::optional<TextDecoder> m_utf16; // the file's decoder after a UTF-16 mark
    std::string m_asUtf8;               // what one feed of UTF-16 holds, as UTF-8
};
