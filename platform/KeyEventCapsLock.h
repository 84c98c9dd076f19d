#pragma once

#include "CapsLockSource.h"

#include <QString>

// Follows Caps Lock from key events alone. Where the platform puts the keyboard's modifier mask
// in the events' native modifiers (XCB, and Wayland through xkbcommon) the mask's Lock bit
// tells the state on any key; elsewhere each Caps Lock press toggles what is known.
class KeyEventCapsLock : public CapsLockSource {
public:
    enum class NativeModifiers { Ignored, CarryLock };

    explicit KeyEventCapsLock(NativeModifiers native) : m_native(native) {}

    std::optional<bool> current() const override { return std::nullopt; }
    std::optional<bool> fromKeyEvent(const QKeyEvent &event, std::optional<bool> known) const final;

    // Whether the named Qt platform plugin fills native modifiers with an xkb mask.
    static NativeModifiers nativeModifiersOf(const QString &platformName);

private:
    NativeModifiers m_native;
};
