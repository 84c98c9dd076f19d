#include "CapsLock.h"

#include "CapsLockSource.h"

namespace CapsLock {

std::optional<bool> state()
{
    return CapsLockSource::forPlatform()->current();
}

} // namespace CapsLock
