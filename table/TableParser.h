#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Streams the bytes of a table file and keeps, per byte code, the raw text of the last line that
// defines it. A line is "HH=text": two hex digits, "=" as the third byte, the rest untrimmed.
// Lines end at CR LF, LF or CR; the last one needs no terminator. Memory grows with the longest
// definition, never with the file.
class TableParser final {
public:
    void feed(std::string_view bytes);
    void finish(); // ends the last line; call once after the last feed

    bool defines(int code) const { return m_defined.test(std::size_t(code)); }
    std::string_view rawText(int code) const { return m_raw.at(std::size_t(code)); }
    std::size_t definedCount() const { return m_defined.count(); }

    // The code of a line from its first two bytes, the way the original numeric conversion reads
    // "&H" followed by them: blanks skipped, hex digits up to the first other byte, none gives 0.
    static int codeOf(char first, char second);

private:
    // Whole lines only: begin starts a line and end - 1 ends one.
    void scanLines(const char *begin, const char *end);
    void keepSeenTexts();
    // The line that is still open at the end of a feed, in parts.
    void feedLinePart(const char *begin, const char *end);
    void endLine();

    std::array<std::string, 256> m_raw;
    std::bitset<256> m_defined;

    // The last text of each code among the whole lines of the current feed. They point into the
    // caller's bytes and are copied out before feed() returns, once per code instead of per line.
    std::array<std::string_view, 256> m_seen;
    std::array<std::uint64_t, 4> m_seenCodes = {};

    // A line that spans feeds.
    char m_head[3] = {};
    int m_headLength = 0;
    std::string *m_openText = nullptr; // the entry the open line is defining, if any
    bool m_lineOpen = false;
};
