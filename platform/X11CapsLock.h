#pragma once

#include "KeyEventCapsLock.h"

struct _XDisplay;

// On X11 the server is asked for the lock's state through XKB; key events carry the same
// Lock bit in their native modifiers, which spares the keystroke path a round trip.
class X11CapsLock final : public KeyEventCapsLock {
public:
    explicit X11CapsLock(_XDisplay *display);

    std::optional<bool> current() const override;

private:
    _XDisplay *m_display;
};
