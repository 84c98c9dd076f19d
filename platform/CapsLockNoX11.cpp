#include "CapsLock.h"

// Built without X11: no platform is asked, key events alone tell the state.
std::optional<bool> CapsLock::state()
{
    return std::nullopt;
}
