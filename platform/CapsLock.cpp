#include "CapsLock.h"

#include <QGuiApplication>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

namespace {

// X11's Lock modifier bit, which XCB and Wayland (through xkbcommon) report in a key event's
// native modifiers.
constexpr quint32 LockBit = 0x2;

std::optional<bool> readXkbLock();

bool nativeModifiersCarryLock()
{
    const QString platform = QGuiApplication::platformName();
    return platform == "xcb"_L1 || platform.startsWith("wayland"_L1);
}

} // namespace

namespace CapsLock {

std::optional<bool> state()
{
    if (!qGuiApp)
        return std::nullopt;
    return readXkbLock();
}

std::optional<bool> fromKeyEvent(const QKeyEvent &event, std::optional<bool> known)
{
    const bool press = event.type() == QEvent::KeyPress;
    if (nativeModifiersCarryLock()) {
        // The modifiers are those in force before this key; Caps Lock itself flips them.
        const bool before = event.nativeModifiers() & LockBit;
        if (event.key() == Qt::Key_CapsLock)
            return press ? !before : known;
        return before;
    }
    if (event.key() == Qt::Key_CapsLock && press && !event.isAutoRepeat())
        return !known.value_or(false);
    return known;
}

} // namespace CapsLock

// Xlib last: its macros (KeyPress, Bool, Status, None...) clash with Qt's names.
#include <X11/XKBlib.h>

namespace {

std::optional<bool> readXkbLock()
{
#if QT_CONFIG(xcb)
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return std::nullopt;
    Display *display = x11->display();
    if (!display)
        return std::nullopt;
    XkbStateRec state;
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return std::nullopt;
    return (state.locked_mods & LockMask) != 0;
#else
    return std::nullopt;
#endif
}

} // namespace
