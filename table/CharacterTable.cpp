#include "CharacterTable.h"

#include "TableParser.h"
#include "TextEncoding.h"

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
    const TextEncoding encoding = parsed.encoding();
    for (int code = 0; code < Size; ++code) {
        if (!parsed.defines(code))
            continue;
        std::string_view kept = parsed.rawText(code);
        // A cut text keeps whole characters only: its eight bytes hold at least two of them,
        // so it never equals one typed character.
        if (parsed.isCut(code) && encoding == TextEncoding::Utf8)
            kept = kept.substr(0, wholeUtf8Length(kept));
        m_entries[std::size_t(code)] = decodeText(kept, encoding);
    }
    for (QString &text : m_entries) {
        if (text.isEmpty())
            text = QStringLiteral("#");
    }
}
