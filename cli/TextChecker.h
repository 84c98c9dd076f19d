#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

class CharacterTable;

// One thing the line box would refuse. Lines and columns count from 1; columns count
// characters, a character beyond the Basic Multilingual Plane being one.
struct TextProblem {
    enum class Kind {
        Character,   // a character the tables do not define, or one without a Windows-1252 code
        LineTooLong, // the column is the first one past the limit
    };
    Kind kind = Kind::Character;
    qint64 line = 0;
    qint64 column = 0;
    char32_t character = 0; // Character only
    qint64 length = 0;      // LineTooLong only: the line's length in characters

    friend bool operator==(const TextProblem &, const TextProblem &) = default;
};

// Checks a text line by line as if each line were typed into the line box key by key with the
// tables in force. The text is fed in blocks of any size, split anywhere, and nothing of it is
// kept, so memory stays the same whatever the text's or a line's length.
//
// Lines end in CR LF, LF or CR. Control characters are never typed into the box, so they are not
// checked, but they count as columns like any other character. A leading byte order mark of a
// UTF-8 text is skipped.
class TextChecker final {
public:
    enum class Encoding { Utf8, Windows1252 };
    using ProblemSink = std::function<void(const TextProblem &)>;

    // limit: the longest line allowed in characters; 0 for none.
    TextChecker(const CharacterTable &table, qint64 limit, Encoding encoding, ProblemSink sink);

    void feed(std::string_view bytes);
    // Ends the last line, which may lack a terminator.
    void finish();

    qint64 lines() const { return m_lines; }
    qint64 problems() const { return m_problems; }
    // Whether a Utf8 text held bytes that are not UTF-8 (each bad stretch was taken as one
    // U+FFFD): the text is to be read as Windows-1252 instead.
    bool sawInvalidUtf8() const { return m_sawInvalidUtf8; }

private:
    enum class ByteClass : unsigned char { Plain, Refused, LineFeed, CarriageReturn, Multibyte };

    void feedUtf8(const unsigned char *p, const unsigned char *end);
    void feedWindows1252(const unsigned char *p, const unsigned char *end);
    // Checks up to end; returns where a UTF-8 sequence cut by the end starts, or end.
    const unsigned char *feedBytes(const unsigned char *p, const unsigned char *end);
    const unsigned char *feedWindows(const unsigned char *p, const unsigned char *end);
    const unsigned char *feedWindowsAvx2(const unsigned char *p, const unsigned char *end);
    const unsigned char *takeWindow(const unsigned char *window, const unsigned char *end,
                                    std::uint64_t stops, std::uint64_t admitted, qint64 &column);
    // Handles one byte that is not plain; returns where the next one is, or p itself when a
    // UTF-8 sequence is cut by the end of the block.
    const unsigned char *takeStop(const unsigned char *p, const unsigned char *end);
    // Takes the UTF-8 sequence at p; returns the bytes it used, or 0 when it needs bytes past
    // end (none are used then).
    std::size_t takeSequence(const unsigned char *p, std::size_t available);
    bool refuses(char32_t ch) const;
    // Skips bytes that need nothing but a column each; returns how many.
    const unsigned char *skipPlain(const unsigned char *p, const unsigned char *end) const;
    void character(char32_t ch);
    void refuse(char32_t ch);
    void endLine();

    ProblemSink m_sink;
    qint64 m_limit;
    Encoding m_encoding;
    std::array<ByteClass, 256> m_classes{};
    // Bit h of entry l set: the byte 16 h + l (an ASCII byte) is Plain.
    alignas(16) std::array<unsigned char, 16> m_plainRows{};
    std::array<bool, 256> m_codeRefused{}; // by Windows-1252 code
    bool m_outsideCodePageRefused = false;
    std::array<bool, 0x800> m_twoByteRefused{}; // the characters of two-byte UTF-8 sequences
    // Bit b of entry l set: the two-byte sequence with lead byte C2 + l and second byte 80 + b
    // stands for an admitted character (U+0080..U+00FF).
    std::array<std::uint64_t, 2> m_latinAdmitted{};

    qint64 m_line = 1;
    qint64 m_column = 0; // characters so far on the current line
    qint64 m_lines = 0;
    qint64 m_problems = 0;
    bool m_skipLineFeed = false; // the last block ended in CR
    bool m_atStart = true;       // no byte seen yet: a byte order mark may come
    bool m_sawInvalidUtf8 = false;
    std::array<unsigned char, 4> m_pending{}; // a UTF-8 sequence cut by the end of a block
    std::size_t m_pendingSize = 0;
};
