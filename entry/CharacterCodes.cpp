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

std::optional<qint16> keyCodeOf(char32_t ch)
{
    if ((QChar::category(ch) == QChar::Other_Control && ch != 0x7F) || QChar::isSurrogate(ch))
        return std::nullopt;
    const auto code = ch <= 0xFFFF ? Windows1252::fromUnicode(QChar(char16_t(ch))) : std::nullopt;
    return code ? qint16(*code) : KeyCode::OutsideCodePage;
}

QList<TypedCharacter> typedCharacters(int qtKey, Qt::KeyboardModifiers modifiers,
                                      const QString &text)
{
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)
        return {{KeyCode::Enter, {}}};
    if (qtKey == Qt::Key_Backspace)
        return {{KeyCode::Backspace, {}}};
    if (isShortcut(modifiers) || qtKey == Qt::Key_Delete)
        return {};
    return committedCharacters(text);
}

QList<TypedCharacter> committedCharacters(const QString &text)
{
    QList<TypedCharacter> typed;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const char32_t ch =
            pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        if (const std::optional<qint16> code = keyCodeOf(ch))
            typed.append({*code, text.mid(i, pair ? 2 : 1)});
        i += pair ? 1 : 0;
    }
    return typed;
}
