#include "CapsLockSource.h"

#include "KeyEventCapsLock.h"
#if VERZINO_WITH_X11
#include "X11CapsLock.h"
#endif

#include <QGuiApplication>

using namespace Qt::StringLiterals;

std::unique_ptr<CapsLockSource> CapsLockSource::forPlatform()
{
    if (!qGuiApp)
        return std::make_unique<KeyEventCapsLock>(KeyEventCapsLock::NativeModifiers::Ignored);
    const QString platform = QGuiApplication::platformName();
#if VERZINO_WITH_X11 && QT_CONFIG(xcb)
    if (platform == "xcb"_L1) {
        if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
            x11 && x11->display())
            return std::make_unique<X11CapsLock>(x11->display());
    }
#endif
    // Wayland sends a client the lock state when its window gets the keyboard, but Qt keeps it
    // to itself; the first key event tells it.
    return std::make_unique<KeyEventCapsLock>(KeyEventCapsLock::nativeModifiersOf(platform));
}
