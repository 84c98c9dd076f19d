#include "ScriptMarkup.h"

#include <algorithm>

ScriptMarkup::LineKind ScriptMarkup::kind(std::string_view line) const
{
    const auto startsLine = [line](const QByteArray &prefix) {
        return line.starts_with(std::string_view(prefix.constData(), std::size_t(prefix.size())));
    };
    if (std::any_of(skippedPrefixes.cbegin(), skippedPrefixes.cend(), startsLine))
        return LineKind::Skipped;
    if (std::any_of(originalPrefixes.cbegin(), originalPrefixes.cend(), startsLine))
        return LineKind::Original;
    return LineKind::Text;
}

CodeFinder::CodeFinder(const ScriptMarkup &markup)
{
    for (const auto &[patterns, kind] : {std::pair{&markup.codes, Code::Kind::Plain},
                                         std::pair{&markup.boxEnds, Code::Kind::BoxEnd},
                                         std::pair{&markup.lineBreaks, Code::Kind::LineBreak}}) {
        for (const Pattern &pattern : *patterns)
            m_cursors.push_back({&pattern, kind});
    }
}

void CodeFinder::start(std::string_view line, bool withLineBreaks)
{
    m_line = line;
    for (Cursor &cursor : m_cursors) {
        cursor.outcome = Pattern::Outcome::NotFound;
        if (withLineBreaks || cursor.kind != Code::Kind::LineBreak)
            advance(cursor, 0);
    }
}

// The pattern's next non-empty match from `from` on. After an empty match the search goes on
// from the same place with empty matches there ruled out, as Perl's does.
void CodeFinder::advance(Cursor &cursor, std::size_t from)
{
    bool emptyAtFrom = true;
    do {
        cursor.outcome = cursor.pattern->find(m_line, from, emptyAtFrom, cursor.match);
        from = cursor.match.start;
        emptyAtFrom = false;
    } while (cursor.outcome == Pattern::Outcome::Found && cursor.match.end == cursor.match.start);
}

Pattern::Outcome CodeFinder::next(Code &code)
{
    Cursor *first = nullptr;
    for (Cursor &cursor : m_cursors) {
        if (cursor.outcome == Pattern::Outcome::Failed) {
            m_failed = cursor.pattern;
            return Pattern::Outcome::Failed;
        }
        if (cursor.outcome == Pattern::Outcome::Found &&
            (!first || cursor.match.start < first->match.start))
            first = &cursor;
    }
    if (!first)
        return Pattern::Outcome::NotFound;
    code = {first->match.start, first->match.end, first->kind};
    advance(*first, first->match.end);
    return Pattern::Outcome::Found;
}
