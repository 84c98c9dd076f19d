#pragma once

#include "Pattern.h"

#include <QByteArray>
#include <QList>

#include <string_view>
#include <vector>

// What of a script is markup around its text, as the command line describes it: lines skipped
// whole (comments, commands), lines that hold the original text, and control codes, which are
// not typed and take no room; some of them also end a line on the target's screen, or its text
// box.
struct ScriptMarkup {
    enum class LineKind { Text, Skipped, Original };

    QList<QByteArray> skippedPrefixes; // UTF-8, as the lines are
    QList<QByteArray> originalPrefixes;
    QList<Pattern> codes;
    QList<Pattern> lineBreaks; // codes that end the screen line
    QList<Pattern> boxEnds;    // codes that end the text box, and with it the screen line
    qint64 linesPerBox = 0;    // 0: any number

    bool isEmpty() const
    {
        return skippedPrefixes.isEmpty() && originalPrefixes.isEmpty() && codes.isEmpty() &&
               lineBreaks.isEmpty() && boxEnds.isEmpty() && linesPerBox == 0;
    }
    LineKind kind(std::string_view line) const;
};

// One code of a line: bytes start to end.
struct Code {
    enum class Kind { Plain, LineBreak, BoxEnd };
    std::size_t start = 0;
    std::size_t end = 0;
    Kind kind = Kind::Plain;
};

// The codes of one line, in the order they start. Each pattern's matches are those of Perl's
// global matching; the matches of different patterns may overlap. Empty matches are no codes.
class CodeFinder final {
public:
    explicit CodeFinder(const ScriptMarkup &markup);

    // Starts on a line, which must outlive the search; an original's line breaks are no codes.
    void start(std::string_view line, bool withLineBreaks);
    // The next code. On Failed, failedPattern() is the pattern that PCRE2 gave up on.
    Pattern::Outcome next(Code &code);
    const Pattern &failedPattern() const { return *m_failed; }

private:
    struct Cursor {
        const Pattern *pattern;
        Code::Kind kind;
        Pattern::Match match{};
        Pattern::Outcome outcome = Pattern::Outcome::NotFound;
    };
    void advance(Cursor &cursor, std::size_t from);

    std::vector<Cursor> m_cursors;
    std::string_view m_line;
    const Pattern *m_failed = nullptr;
};
