#include "CurrentSkin.h"

#include "SystemLook.h"

#include <windows.h>

#include <atomic>

namespace {

SRWLOCK lock = SRWLOCK_INIT;
// On the heap while a skin is applied: the library keeps no object with a
// destructor that could outlive its code.
std::shared_ptr<const Skin>* current = nullptr;
// What Windows asked for when it was last read, under the lock.
SystemLook look;

} // namespace

std::shared_ptr<const Skin> CurrentSkin()
{
    AcquireSRWLockShared(&lock);
    std::shared_ptr<const Skin> skin = current ? *current : nullptr;
    const SystemLook asked = look;
    ReleaseSRWLockShared(&lock);
    if (!skin || (asked.highContrast && !skin->highContrastSafe()))
        return nullptr;
    if (asked.dark && skin->dark())
        return std::shared_ptr<const Skin>(skin, skin->dark());  // kept alive by the skin
    return skin;
}

void SetCurrentSkin(std::shared_ptr<const Skin> skin)
{
    std::shared_ptr<const Skin>* gone = nullptr;
    const SystemLook asked = ReadSystemLook();
    AcquireSRWLockExclusive(&lock);
    look = asked;
    if (skin) {
        if (!current)
            current = new (std::nothrow) std::shared_ptr<const Skin>;
        if (current)
            *current = std::move(skin);
    } else {
        gone = current;
        current = nullptr;
    }
    ReleaseSRWLockExclusive(&lock);
    delete gone;  // outside the lock: the last reference frees GDI objects
}

bool FollowSystemLook()
{
    const SystemLook asked = ReadSystemLook();
    AcquireSRWLockExclusive(&lock);
    const bool changed = !(asked == look);
    look = asked;
    ReleaseSRWLockExclusive(&lock);
    return changed;
}
