#include "CurrentSkin.h"

#include "HeapGlobal.h"
#include "SystemLook.h"

namespace {

struct Applied {
    std::shared_ptr<const Skin> skin;
    SystemLook look;  // what Windows asked for when it was last read
};
using AppliedHolder = HeapGlobal<Applied>;
// Set while a skin is applied.
AppliedHolder current;

} // namespace

std::shared_ptr<const Skin> CurrentSkin()
{
    std::shared_ptr<const Skin> skin;
    SystemLook look;
    {
        AppliedHolder::Shared held(current);
        if (!held)
            return nullptr;
        skin = held.get()->skin;
        look = held.get()->look;
    }
    if (!skin || (look.highContrast && !skin->highContrastSafe()))
        return nullptr;
    if (look.dark && skin->dark())
        return std::shared_ptr<const Skin>(skin, skin->dark());  // kept alive by the skin
    return skin;
}

void SetCurrentSkin(std::shared_ptr<const Skin> skin)
{
    Applied* gone = nullptr;
    const SystemLook look = skin ? ReadSystemLook() : SystemLook();
    {
        AppliedHolder::Exclusive held(current);
        if (!skin) {
            gone = held.Take();
        } else if (Applied* slot = held.Ensure()) {
            slot->skin = std::move(skin);
            slot->look = look;
        }
    }
    delete gone;  // outside the lock: the last reference frees GDI objects
}

bool FollowSystemLook()
{
    const SystemLook look = ReadSystemLook();
    AppliedHolder::Exclusive held(current);
    if (!held || held->look == look)
        return false;
    held->look = look;
    return true;
}
