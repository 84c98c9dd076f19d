#pragma once

#include "TextEncoding.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string>
#include <string_view>

class CharacterTable;
class TableParser;

// The plain reading of a table file that the fast reader is checked against, by the tests, the
// fuzz target and the benchmark: the whole file in memory, a UTF-8 byte order mark dropped (after
// a UTF-16 one, the whole file made UTF-8 first), split into lines at CR LF, LF or CR, "=" third
// defines the rest, the later line wins; whole texts kept; UTF-8 checked by Qt's own decoder.
class ReferenceTableReader final {
public:
    explicit ReferenceTableReader(std::string_view file);

    bool defines(int code) const { return m_texts.at(std::size_t(code)).has_value(); }
    // The code's whole text; empty when it is not defined.
    std::string text(int code) const { return m_texts.at(std::size_t(code)).value_or(""); }
    TextEncoding encoding() const { return m_encoding; }

    // The code of a line from its first two bytes: blanks skipped, hex digits read from the left
    // up to the first other byte, none gives 0.
    static int codeOf(char first, char second);

    // What the parser must keep of each defined code, in code order, as "code=text" with the text's
    // bytes as Latin-1, and "…" after the kept bytes where the text is longer.
    QStringList keptDefinitions() const;
    // The same, of what a parser kept.
    static QStringList keptDefinitions(const TableParser &parser);

    // How the table after reading this file into a table that was `before` differs from what the
    // reading must give, entry by entry; empty when it does not. Entries longer than the parser
    // keeps must be a start of the whole text, at least two characters long: the lookup and the
    // fill cannot tell them from the whole.
    QString differenceFrom(const CharacterTable &before, const CharacterTable &after) const;

private:
    std::array<std::optional<std::string>, 256> m_texts;
    TextEncoding m_encoding = TextEncoding::Windows1252;
};
