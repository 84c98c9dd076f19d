#include "CharacterCodes.h"

#include "Windows1252.h"

namespace {

bool isShortcut(Qt::KeyboardModifiers modifiers)
{
    // Ctrl+Alt is how Windows reports AltGr, which types characters.
    if (modifiers.testFlag(Qt::ControlModifier) && modifiers.testFlag(Qt::AltModifier))
        return false;
    return modifiers.testFlag(Qt::ControlModifier) || modifiers.testFlag(Qt::MetaModifier);
}

} // namespace

QList<TypedCharacter> typedCharacters(int qtKey, Qt::KeyboardModifiers modifiers,
                                      const QString &text)
{
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)
        return {{KeyCode::Enter, {}}};
    if (qtKey == Qt::Key_Backspace)
        return {{KeyCode::Backspace, {}}};
    if (isShortcut(modifiers))
        return {};
    return committedCharacters(text);
}

QList<TypedCharacter> committedCharacters(const QString &text)
{
    QList<TypedCharacter> typed;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            // A character beyond the Basic Multilingual Plane: never in the code page.
            typed.append({KeyCode::OutsideCodePage, text.mid(i, 2)});
            ++i;
            continue;
        }
        // Qt puts control characters into the text of keys that type nothing (Delete gives
        // 0x7f, Escape 0x1b, Tab 0x09); a lone surrogate is no character either.
        if (ch.category() == QChar::Other_Control || ch.isSurrogate())
            continue;
        const std::optional<unsigned char> code = Windows1252::fromUnicode(ch);
        typed.append({code ? qint16(*code) : KeyCode::OutsideCodePage, QString(ch)});
    }
    return typed;
}
