#pragma once

#include <optional>

namespace CapsLock {

// The keyboard's Caps Lock state as the running platform tells it outside key events; nullopt
// where it cannot (no application, offscreen, Wayland).
std::optional<bool> state();

} // namespace CapsLock
