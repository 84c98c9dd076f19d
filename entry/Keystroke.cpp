#include "Keystroke.h"

#include "CharacterTable.h"
#include "Windows1252.h"

namespace {

bool isCheckedCode(qint16 code)
{
    return (code >= 32 && code <= 127) || (code >= 160 && code <= 255);
}

} // namespace

KeystrokeAction admitKeystroke(qint16 code, bool tableInForce, const CharacterTable &table)
{
    if (code == KeyCode::Enter)
        return KeystrokeAction::Enter;
    if (!tableInForce)
        return KeystrokeAction::PassOn;
    // No table entry can equal a character the code page does not have.
    if (code == KeyCode::OutsideCodePage)
        return KeystrokeAction::Drop;
    if (!isCheckedCode(code))
        return KeystrokeAction::PassOn;
    const QChar ch = Windows1252::toUnicode(static_cast<unsigned char>(code));
    return table.defines(ch) ? KeystrokeAction::AppendAtEnd : KeystrokeAction::Drop;
}
