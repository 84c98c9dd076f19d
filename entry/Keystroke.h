#pragma once

#include "CharacterCodes.h"

class CharacterTable;

// What the line box does with one character keystroke.
enum class KeystrokeAction {
    PassOn,      // the box acts on it as usual, at the insertion point
    AppendAtEnd, // the insertion point goes to the end of the line first, then the box inserts it
    Drop,        // the code becomes 0: nothing is inserted
    Enter,       // the Enter actions run, then the keystroke is passed on
};

// Decides one keystroke. A table is in force when a table file has been chosen; only then are
// the printable codes (32 to 127, 160 to 255) checked against the table.
KeystrokeAction admitKeystroke(qint16 code, bool tableInForce, const CharacterTable &table);
