#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// An experiment, not used by the program: the same results as TableParser, found with 64-bit
// masks of line ends and "=" bytes instead of walking line by line. Only lines whose third byte
// is "=" cost any branching; headings, comments and four-digit codes cost none. CR and LF both
// end a line and the empty line between CR and LF defines nothing, so CR LF needs no state.
class MaskedTableParser final {
public:
    void feed(std::string_view bytes);
    void finish();

    bool defines(int code) const { return m_defined.test(std::size_t(code)); }
    std::string_view rawText(int code) const { return m_raw.at(std::size_t(code)); }

private:
    // Whole lines only: begin starts a line, end - 1 is a line end.
    void scanLines(const char *begin, const char *end);
    void keepTexts();
    void feedLinePart(const char *begin, const char *end);
    void endLine();

    std::array<std::string, 256> m_raw;
    std::bitset<256> m_defined;

    // The last text of each code seen in the current feed; copied out once per feed.
    std::array<std::string_view, 256> m_seen;
    std::uint64_t m_seenCodes[4] = {};

    char m_head[3] = {};
    int m_headLength = 0;
    std::string *m_openText = nullptr;
    bool m_lineOpen = false;
};
