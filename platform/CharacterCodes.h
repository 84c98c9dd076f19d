#pragma once

#include <QList>
#include <QString>
#include <Qt>

// The character codes one key press types, in order: 13 for Return and keypad Enter, 8 for
// Backspace, the Windows-1252 code (0..255) of each typed character, or -1 for a character
// without one. Keys that type no character (arrows, Delete, Home, F-keys) and Ctrl/Meta
// shortcuts give an empty list.
QList<qint16> characterCodes(int qtKey, Qt::KeyboardModifiers modifiers, const QString &text);
