#include "CurrentSkin.h"

#include <windows.h>

namespace {

SRWLOCK lock = SRWLOCK_INIT;
// On the heap while a skin is applied: the library keeps no object with a
// destructor that could outlive its code.
std::shared_ptr<const Skin>* current = nullptr;

} // namespace

std::shared_ptr<const Skin> CurrentSkin()
{
    AcquireSRWLockShared(&lock);
    std::shared_ptr<const Skin> skin = current ? *current : nullptr;
    ReleaseSRWLockShared(&lock);
    return skin;
}

void SetCurrentSkin(std::shared_ptr<const Skin> skin)
{
    std::shared_ptr<const Skin>* gone = nullptr;
    AcquireSRWLockExclusive(&lock);
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
