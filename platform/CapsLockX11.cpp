#include "CapsLock.h"

#include <QGuiApplication>

// Xlib last: its macros (KeyPress, Bool, Status, None...) clash with Qt's names.
#include <X11/XKBlib.h>

using namespace Qt::StringLiterals;

std::optional<bool> CapsLock::state()
{
    if (!qGuiApp || QGuiApplication::platformName() != "xcb"_L1)
        return std::nullopt;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    XkbStateRec state;
    if (!x11 || !x11->display() || XkbGetState(x11->display(), XkbUseCoreKbd, &state) != Success)
        return std::nullopt;
    return (state.locked_mods & LockMask) != 0;
}
