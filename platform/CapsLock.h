#pragma once

#include <optional>

class QKeyEvent;
class QString;

// The Caps Lock state. X11 can be asked at any time; other platforms tell it only through the
// key events a window receives.
namespace CapsLock {

// The state the platform reports outside key events; nullopt where it cannot (built without
// X11, offscreen, Wayland, no application).
std::optional<bool> state();

// Whether the named Qt platform plugin puts the keyboard's modifier mask, with its Lock bit,
// into the native modifiers of key events (XCB, and Wayland through xkbcommon).
bool eventsCarryLockBit(const QString &platformName);

// The state after a key event, from the one known before it: the Lock bit tells it on any key
// where events carry it; elsewhere each Caps Lock press toggles it.
bool afterKey(const QKeyEvent &event, bool lockBitInEvents, bool known);

} // namespace CapsLock
