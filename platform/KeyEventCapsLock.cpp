#include "KeyEventCapsLock.h"

#include <QKeyEvent>
#include <QString>

using namespace Qt::StringLiterals;

namespace {

// The Lock modifier's bit in an X11 or xkbcommon modifier mask.
constexpr quint32 LockBit = 0x2;

} // namespace

std::optional<bool> KeyEventCapsLock::fromKeyEvent(const QKeyEvent &event,
                                                   std::optional<bool> known) const
{
    const bool press = event.type() == QEvent::KeyPress;
    if (m_native == NativeModifiers::CarryLock) {
        // The mask is the one in force before this key; Caps Lock itself flips it.
        const bool before = event.nativeModifiers() & LockBit;
        if (event.key() == Qt::Key_CapsLock)
            return press ? !before : known;
        return before;
    }
    if (event.key() == Qt::Key_CapsLock && press && !event.isAutoRepeat())
        return !known.value_or(false);
    return known;
}

KeyEventCapsLock::NativeModifiers KeyEventCapsLock::nativeModifiersOf(const QString &platformName)
{
    if (platformName == "xcb"_L1 || platformName.startsWith("wayland"_L1))
        return NativeModifiers::CarryLock;
    return NativeModifiers::Ignored;
}
