#pragma once

// Lines end in CR LF, LF or CR: the LF right after a CR ends no second line, so CR LF needs no
// other care, not even when a block of bytes ends between the two.
class LineEnds final {
public:
    static bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

    void sawText() { m_afterCarriageReturn = false; } // something other than a line end came
    bool endsLine(char c)                             // this CR or LF
    {
        const bool ends = c == '\r' || !m_afterCarriageReturn;
        m_afterCarriageReturn = c == '\r';
        return ends;
    }

private:
    bool m_afterCarriageReturn = false;
};
