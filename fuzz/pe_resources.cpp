// The resource writer and its read-back on the input as a program file:
// when the reader accepts it, what the writer makes of it must read back
// with the same resources, also after the builder's icon replacement.
#include "FuzzFiles.h"
#include "IconFile.h"
#include "PeResources.h"

namespace {

constexpr uint16_t kIconResource = 3;
constexpr uint16_t kGroupIconResource = 14;
constexpr uint16_t kSetupIconGroup = 105;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string program(reinterpret_cast<const char*>(data), size);
    PeResources resources;
    std::string error;
    if (!resources.Read(program, error)) {
        FUZZ_ASSERT(!error.empty());
        return 0;
    }
    // The same tree written back: a signed file may be refused, nothing else.
    std::string written;
    if (resources.Write(program, written, error)) {
        PeResources again;
        FUZZ_ASSERT(again.Read(written, error));
        FUZZ_ASSERT(again.types() == resources.types());
    }

    // What generation does to the stub's copy: new icons, a new group.
    std::vector<IconImage> images(2);
    images[0].width = images[0].height = 16;
    images[0].bytes = std::string(40, 'a');
    images[1].bytes = program.substr(0, 300);
    if (images[1].bytes.empty())
        images[1].bytes = "b";
    std::string replaced = program;
    if (ReplaceIcons(replaced, images, kSetupIconGroup) != IconUpdateResult::Updated)
        return 0;
    PeResources after;
    FUZZ_ASSERT(after.Read(replaced, error));
    const PeResources::Types& types = after.types();
    const auto icons = types.find(kIconResource);
    FUZZ_ASSERT(icons != types.end());
    for (size_t i = 0; i < images.size(); ++i) {
        const auto icon = icons->second.find(uint16_t(i + 1));
        FUZZ_ASSERT(icon != icons->second.end() && icon->second.count(1033) &&
                    icon->second.at(1033).bytes == images[i].bytes);
    }
    const auto groups = types.find(kGroupIconResource);
    FUZZ_ASSERT(groups != types.end() && groups->second.count(kSetupIconGroup));
    const PeResources::Languages& group = groups->second.at(kSetupIconGroup);
    FUZZ_ASSERT(group.size() >= 1);
    bool listed = false;
    for (const auto& language : group)
        listed = listed || language.second.bytes == IconGroupBytes(images, 1);
    FUZZ_ASSERT(listed);
    return 0;
}
