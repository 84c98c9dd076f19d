#include "CapsLock.h"

#include <QKeyEvent>
#include <QString>

using namespace Qt::StringLiterals;

namespace CapsLock {

bool eventsCarryLockBit(const QString &platformName)
{
    return platformName == "xcb"_L1 || platformName.startsWith("wayland"_L1);
}

bool afterKey(const QKeyEvent &event, bool lockBitInEvents, bool known)
{
    const bool press = event.type() == QEvent::KeyPress;
    if (lockBitInEvents) {
        // The mask is the one in force before this key; Caps Lock itself flips it.
        constexpr quint32 LockBit = 0x2;
        const bool before = event.nativeModifiers() & LockBit;
        if (event.key() == Qt::Key_CapsLock)
            return press ? !before : known;
        return before;
    }
    if (event.key() == Qt::Key_CapsLock && press && !event.isAutoRepeat())
        return !known;
    return known;
}

} // namespace CapsLock
