#include "CharacterTable.h"

#include "TableParser.h"
#include "Windows1252.h"

bool CharacterTable::defines(QChar ch) const
{
    for (const QString &text : m_entries) {
        if (text.size() == 1 && text.front() == ch)
            return true;
    }
    return false;
}

void CharacterTable::merge(const TableParser &parsed)
{
    for (int code = 0; code < Size; ++code) {
        if (parsed.defines(code))
            m_entries[std::size_t(code)] = Windows1252::decode(parsed.rawText(code));
    }
    for (QString &text : m_entries) {
        if (text.isEmpty())
            text = QStringLiteral("#");
    }
}
