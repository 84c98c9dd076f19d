#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

// What of a script is markup around its text, as the command line describes it: lines skipped
// whole (comments, the original text, commands), control codes whose characters are not typed
// and take no room, and codes that also end a line on the target's screen.
struct ScriptMarkup {
    // Marks of one UTF-16 unit of a line.
    enum Mark : unsigned char {
        Text = 0,
        Code = 1,
        ScreenLineEnd = 2, // on the last unit of a code that ends a screen line
    };

    QStringList skippedPrefixes;
    QList<QRegularExpression> codes;
    QList<QRegularExpression> lineBreaks;

    bool isEmpty() const
    {
        return skippedPrefixes.isEmpty() && codes.isEmpty() && lineBreaks.isEmpty();
    }
    // Whether the line is neither checked nor measured.
    bool skips(const QString &line) const;
    // One mark a unit of the line. Matches may overlap; an empty match marks nothing.
    void mark(const QString &line, std::vector<unsigned char> &marks) const;
};
