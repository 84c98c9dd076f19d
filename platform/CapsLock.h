#pragma once

#include <QObject>

#include <optional>

class QKeyEvent;

namespace CapsLock {

// The keyboard's Caps Lock state, read from the windowing system; nullopt where the platform
// offers no way to read it (offscreen, Wayland).
std::optional<bool> state();

// The Caps Lock state a key event tells, given the state known before it: a Caps Lock press
// toggles it, otherwise the event's native modifiers tell it where the platform fills them in
// (XCB: the X11 Lock bit). nullopt when the event says nothing and nothing is known.
std::optional<bool> fromKeyEvent(const QKeyEvent &event, std::optional<bool> known);

} // namespace CapsLock
