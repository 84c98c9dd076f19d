#include "ScriptMarkup.h"

#include <algorithm>

bool ScriptMarkup::skips(const QString &line) const
{
    return std::any_of(skippedPrefixes.cbegin(), skippedPrefixes.cend(),
                       [&line](const QString &prefix) { return line.startsWith(prefix); });
}

void ScriptMarkup::mark(const QString &line, std::vector<unsigned char> &marks) const
{
    marks.assign(std::size_t(line.size()), Text);
    // The line comes from the decoder, so it is valid UTF-16 and PCRE2 need not check it again.
    const auto markMatches = [&](const QRegularExpression &pattern, bool endsScreenLine) {
        QRegularExpressionMatchIterator matches =
            pattern.globalMatch(line, 0, QRegularExpression::NormalMatch,
                                QRegularExpression::DontCheckSubjectStringMatchOption);
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            const qsizetype end = match.capturedEnd();
            if (end == match.capturedStart())
                continue;
            for (qsizetype i = match.capturedStart(); i < end; ++i)
                marks[std::size_t(i)] |= Code;
            if (endsScreenLine)
                marks[std::size_t(end - 1)] |= ScreenLineEnd;
        }
    };
    for (const QRegularExpression &pattern : codes)
        markMatches(pattern, false);
    for (const QRegularExpression &pattern : lineBreaks)
        markMatches(pattern, true);
}
