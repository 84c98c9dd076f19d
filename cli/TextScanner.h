#pragma once

#include "ScriptMarkup.h"
#include "TextDecoder.h"
#include "TextEncoding.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CharacterTable;

// One thing the line box would refuse. Lines and columns count from 1; columns count
// characters, a character beyond the Basic Multilingual Plane being one.
struct TextProblem {
    enum class Kind {
        Character,   // a character the tables do not define, or one without a Windows-1252 code
        LineTooLong, // the column is that of the first character past the limit
    };
    Kind kind = Kind::Character;
    qint64 line = 0;
    qint64 column = 0;
    char32_t character = 0; // Character only
    qint64 length = 0;      // LineTooLong only: the (screen) line's length in characters

    friend bool operator==(const TextProblem &, const TextProblem &) = default;
};

// Checks a text line by line as if each line were typed into the line box key by key with the
// tables in force. The text is fed in blocks of any size, split anywhere, and without markup
// nothing of it is kept, so memory stays the same whatever the text's or a line's length.
//
// Lines end in CR LF, LF or CR. Control characters are never typed into the box, so they are not
// checked, but they count as columns like any other character. A leading byte order mark is
// skipped.
//
// With markup, each line is held whole to find its codes: skipped lines are neither checked nor
// counted, code characters are not checked and take no room, and each screen line a line break
// code ends is measured on its own. Columns stay the line's own.
class TextScanner final {
public:
    using ProblemSink = std::function<void(const TextProblem &)>;

    // limit: the longest line allowed in characters; 0 for none.
    TextScanner(const CharacterTable &table, qint64 limit, TextEncoding encoding, ProblemSink sink,
                ScriptMarkup markup = {});

    void feed(std::string_view bytes);
    // Ends the last line, which may lack a terminator.
    void finish();

    qint64 lines() const { return m_lines; } // checked: without the skipped ones
    qint64 problems() const { return m_problems; }
    // Whether a UTF-8 text held bytes that are not UTF-8 (each bad stretch was taken as one
    // U+FFFD): the text is to be read as Windows-1252 instead.
    bool sawInvalidUtf8() const { return m_decoder.sawInvalid(); }

private:
    enum class CharacterClass : unsigned char { Counted, Refused, LineFeed, CarriageReturn };

    // Every character that is not simply one more column.
    void take(char32_t ch);
    // The line box's rule for one character; asked once for each below U+0800.
    bool refuses(char32_t ch) const;
    bool isRefused(char32_t ch) const
    {
        return ch < m_classes.size() ? m_classes[ch] == CharacterClass::Refused : refuses(ch);
    }
    void endLine();
    void appendHeld(char32_t ch);
    void checkHeldLine();
    void report(TextProblem::Kind kind, qint64 column, char32_t ch, qint64 length);

    ProblemSink m_sink;
    qint64 m_limit;
    TextDecoder m_decoder;
    // The characters below U+0800, decided once: the ASCII and Latin letters of most texts.
    std::array<CharacterClass, 0x800> m_classes{};
    std::array<bool, 256> m_codeRefused{}; // by Windows-1252 code
    bool m_outsideCodePageRefused = false;

    ScriptMarkup m_markup;
    bool m_holdLines;      // with markup: the current line so far, and its marks
    std::u16string m_held; // plain appends: QString's cost more than the patterns
    std::vector<unsigned char> m_marks;

    qint64 m_line = 1;
    qint64 m_column = 0; // characters so far on the current line, between feeds
    qint64 m_lines = 0;
    qint64 m_problems = 0;
    bool m_afterCarriageReturn = false; // a line feed right after it ends no line
    bool m_markSkipped = false;
};
