#pragma once

#include <QList>
#include <QString>
#include <Qt>

#include <optional>

// The character code of a keystroke: 13 Enter, 8 Backspace, 0..255 a Windows-1252 character.
namespace KeyCode {
constexpr qint16 Enter = 13;
constexpr qint16 Backspace = 8;
// A typed character that has no Windows-1252 code (Greek, Cyrillic, emoji).
constexpr qint16 OutsideCodePage = -1;
} // namespace KeyCode

// A typed character's code (OutsideCodePage: none in Windows-1252), or none when it is never
// typed: a lone surrogate, or a control Qt puts in the text of keys that type nothing. DEL is 127.
std::optional<qint16> keyCodeOf(char32_t ch);

// One character keystroke: its code, and the text it types (empty for Return and Backspace).
struct TypedCharacter {
    qint16 code;
    QString text;

    friend bool operator==(const TypedCharacter &, const TypedCharacter &) = default;
};

// The character keystrokes one key press makes, in order: 13 for Return and keypad Enter, 8
// for Backspace, otherwise one for each character of the event's text, with its Windows-1252
// code (0..255) or -1 for a character without one. Keys that type no character (arrows,
// Delete, Home, F-keys) and Ctrl/Meta shortcuts make none.
QList<TypedCharacter> typedCharacters(int qtKey, Qt::KeyboardModifiers modifiers,
                                      const QString &text);

// The character keystrokes of the text an input method commits (a dead key, a Compose sequence,
// an input method's choice): one for each character, in order, as if each had been typed.
QList<TypedCharacter> committedCharacters(const QString &commitString);
