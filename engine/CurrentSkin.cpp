#include "CurrentSkin.h"

#include "HeapGlobal.h"

namespace {

using SkinHolder = HeapGlobal<std::shared_ptr<const Skin>>;
// Set while a skin is applied.
SkinHolder current;

} // namespace

std::shared_ptr<const Skin> CurrentSkin()
{
    SkinHolder::Shared held(current);
    return held ? *held.get() : nullptr;
}

void SetCurrentSkin(std::shared_ptr<const Skin> skin)
{
    std::shared_ptr<const Skin>* gone = nullptr;
    {
        SkinHolder::Exclusive held(current);
        if (!skin)
            gone = held.Take();
        else if (std::shared_ptr<const Skin>* slot = held.Ensure())
            *slot = std::move(skin);
    }
    delete gone;  // outside the lock: the last reference frees GDI objects
}
