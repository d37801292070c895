// The whole skin check on a skin file made from the input, as the engine
// runs it (the first fault ends it) and as skin check does (it goes on):
// one verdict and one first fault.
#include "FuzzFiles.h"
#include "SkinDescription.h"
#include "SkinObjects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = WriteFuzzFile("skin.skf", data, size);
    SkinFaults first(false), all(true);
    SkinDescription skin;
    const SkinVerdict engine = CheckSkin(path.c_str(), first, &skin);
    const SkinVerdict check = CheckSkin(path.c_str(), all);
    FUZZ_ASSERT(engine == check);
    FUZZ_ASSERT(engine != SkinVerdict::Unreadable);  // a file is always there
    if (engine == SkinVerdict::Refused) {
        FUZZ_ASSERT(first.all().size() == 1 && !all.empty());
        const SkinFault& a = first.first();
        const SkinFault& b = all.first();
        FUZZ_ASSERT(a.line == b.line && a.section == b.section && a.message == b.message);
        return 0;
    }
    FUZZ_ASSERT(first.empty() && all.empty());
    FUZZ_ASSERT(skin.format == 1 || skin.format == 2);
    // Every image the engine will paint from is whole.
    for (const auto& object : skin.objects) {
        if (!object)
            continue;
        for (const SkinPixels* image : {&object->image, &object->buttons, &object->background})
            FUZZ_ASSERT(image->bgr0.size() == size_t(image->width) * size_t(image->height) * 4);
    }
    return 0;
}
