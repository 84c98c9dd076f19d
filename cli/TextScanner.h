#pragma once

#include "LineEnds.h"
#include "ScriptMarkup.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CharacterTable;

// One thing the line box would refuse, or that would break the text on its target. Lines and
// columns count from 1; columns count characters, one beyond the Basic Multilingual Plane being
// one.
struct TextProblem {
    enum class Kind {
        Character,   // a character the tables do not define, or one without a Windows-1252 code
        LineTooLong, // at the first character past the limit
        MissingCode, // a code of the original the message lacks: at its last line's end
        ExtraCode,   // a code the original lacks: at the code
        BoxTooFull,  // at the first character of the box's first screen line past the limit
    };
    Kind kind = Kind::Character;
    qint64 line = 0;
    qint64 column = 0;
    char32_t character = 0; // Character
    qint64 count = 0;       // the screen line's length, the box's lines, the original's line
    qint64 limit = 0;       // LineTooLong, BoxTooFull
    std::string code{};     // MissingCode, ExtraCode: as it stands

    friend bool operator==(const TextProblem &, const TextProblem &) = default;
};

// Checks a text line by line as if each line were typed into the line box key by key with the
// tables in force. The text comes as UTF-8 in pieces split anywhere between characters; each
// stretch of bytes that is not UTF-8 is one U+FFFD. Without markup nothing of it is kept, so memory
// stays the same whatever the text's or a line's length.
//
// Lines end in CR LF, LF or CR. Control characters are never typed into the box, so they are not
// checked, but they count as columns like any other character.
//
// With markup each line is held whole to find its codes. Skipped lines are neither checked nor
// counted; original lines are not checked, but their codes are kept. Code characters are not
// checked and take no room, and each screen line is measured on its own. A message (the checked
// lines after the original's, up to an original, blank or skipped line) must hold the original's
// codes, line breaks aside, in any order; a box may hold at most linesPerBox screen lines.
// Problems come as they are known: a screen line's length when it ends, after its characters; a
// box when it ends; the codes a message lacks when it ends.
class TextScanner final {
public:
    using ProblemSink = std::function<void(const TextProblem &)>;

    // limit: the longest screen line allowed in characters, 0 for none. The markup must outlive
    // the scanner.
    TextScanner(const CharacterTable &table, qint64 limit, const ScriptMarkup &markup,
                ProblemSink sink);

    // False once a pattern could not be matched: error() says where and why, and the rest of the
    // text is not looked at.
    bool feed(std::string_view utf8);
    // Ends the last line, which may lack a terminator.
    bool finish();

    qint64 lines() const { return m_lines; } // checked: neither skipped nor original
    qint64 problems() const { return m_problems; }
    const QString &error() const { return m_error; } // Italian, without the text's name
    // Whether the text held bytes that are not UTF-8, each bad stretch taken as one U+FFFD.
    bool sawInvalid() const { return m_sawInvalid; }

private:
    // Checks and counts characters up to a line end or the end; returns where it stopped.
    const char *scanText(const char *from, const char *to);
    bool refuses(char32_t ch) const;
    void endLine();
    bool checkLine(std::string_view line);
    bool takeOriginal(std::string_view line);
    void takeCode(std::string_view line, const Code &code, std::size_t &at, bool blank);
    void openScreenLine(qint64 column);
    void endScreenLine();
    void reportLength();
    void endBox();
    void endMessage();
    bool fail(const Pattern &pattern);
    void report(TextProblem problem);

    ProblemSink m_sink;
    qint64 m_limit;
    const ScriptMarkup &m_markup;
    CodeFinder m_codes;
    std::vector<unsigned char> m_pairs;          // what the fast path passes, by byte pair
    std::array<bool, 0x800> m_refusedBelow800{}; // the ASCII and Latin letters of most texts
    std::array<bool, 256> m_codeRefused{};       // by Windows-1252 code
    bool m_outsideCodePageRefused = false;

    bool m_holdLines;
    QByteArray m_held; // the line so far, when a block ended inside it
    LineEnds m_lineEnds;
    bool m_lineOpen = false;
    qint64 m_line = 1;
    qint64 m_column = 0;    // characters so far on the line
    qint64 m_length = 0;    // of the screen line so far, codes left out
    qint64 m_pastLimit = 0; // the column of its first character past the limit
    qint64 m_lines = 0;
    qint64 m_problems = 0;
    QString m_error;
    bool m_sawInvalid = false;

    bool m_screenLineOpen = false;
    qint64 m_boxLines = 0;
    std::pair<qint64, qint64> m_boxOverflow; // line and column of its first screen line too many

    bool m_originalRun = false; // the last line was an original's
    bool m_compare = false;     // the message follows an original
    bool m_translated = false;  // it has a checked line
    std::pair<qint64, qint64> m_messageEnd;
    struct CodeCount {
        qint64 original = 0;
        qint64 translated = 0; // of those the original has
        quint64 message = 0;   // the message they count in
    };
    CodeCount &countOf(std::string_view code);
    quint64 m_message = 0;
    QHash<QByteArray, CodeCount> m_codeCounts;
    std::vector<std::pair<QByteArray, qint64>> m_originalCodes; // with their lines
};
