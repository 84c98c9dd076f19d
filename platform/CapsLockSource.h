#pragma once

#include <memory>
#include <optional>

class QKeyEvent;

// Where the Caps Lock state comes from. Each windowing platform tells it differently: X11 can be
// asked at any time, others only through the key events a window receives. The status bar asks
// through this interface only; forPlatform() is the one place that picks the implementation.
class CapsLockSource {
public:
    virtual ~CapsLockSource() = default;

    // The lock's state as the platform tells it right now; nullopt where it can only be learnt
    // from key events.
    virtual std::optional<bool> current() const = 0;

    // The state a key event tells, given the state known before it; nullopt when the event says
    // nothing and nothing is known.
    virtual std::optional<bool> fromKeyEvent(const QKeyEvent &event,
                                             std::optional<bool> known) const = 0;

    // The source for the platform the application runs on; a key-event-only source without a
    // GUI application or where nothing better is built in.
    static std::unique_ptr<CapsLockSource> forPlatform();
};
