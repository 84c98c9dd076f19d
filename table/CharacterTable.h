#pragma once

#include "TextEncoding.h"

#include <QChar>
#include <QString>

#include <array>

class TableParser;

// The 256 texts a target shows for its byte codes. Never cleared or resized: each reading
// overwrites what its file defines and keeps the rest.
class CharacterTable final {
public:
    static constexpr int Size = 256;

    const QString &entry(int code) const { return m_entries.at(std::size_t(code)); }

    // Whether some entry is exactly this one character; scans 0 to 255 in order.
    bool defines(QChar ch) const;

    // Takes the codes a parsed file defines, decoded as the file calls for, then puts "#" into
    // every entry still empty. A text the parser cut short becomes its first characters, at
    // least two of them: as far as the lookup and the fill can tell, the same.
    void merge(const TableParser &parsed);

    friend bool operator==(const CharacterTable &, const CharacterTable &) = default;

private:
    std::array<QString, Size> m_entries;
};
