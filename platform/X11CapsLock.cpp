#include "X11CapsLock.h"

// Xlib last: its macros (KeyPress, Bool, Status, None...) clash with Qt's names.
#include <X11/XKBlib.h>

X11CapsLock::X11CapsLock(_XDisplay *display)
    : KeyEventCapsLock(NativeModifiers::CarryLock), m_display(display)
{
}

std::optional<bool> X11CapsLock::current() const
{
    XkbStateRec state;
    if (XkbGetState(m_display, XkbUseCoreKbd, &state) != Success)
        return std::nullopt;
    return (state.locked_mods & LockMask) != 0;
}
