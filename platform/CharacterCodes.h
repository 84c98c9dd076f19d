#pragma once

#include <QList>
#include <QString>
#include <Qt>

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

// The codes of typedCharacters().
QList<qint16> characterCodes(int qtKey, Qt::KeyboardModifiers modifiers, const QString &text);
