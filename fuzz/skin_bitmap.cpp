// The BMP decoder on the input as an image entry of a skin.
#include "FuzzFiles.h"
#include "SkinBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    SkinPixels image;
    std::string error;
    if (!DecodeSkinBitmap(bytes, image, error)) {
        FUZZ_ASSERT(!error.empty());
        return 0;
    }
    // What the engine hands to a DIB section: as many bytes as it says, the
    // fourth of each pixel zero, within the sides a skin may have.
    FUZZ_ASSERT(image.width >= 1 && image.height >= 1 && image.width <= 4096 &&
                image.height <= 4096);
    FUZZ_ASSERT(image.bgr0.size() == size_t(image.width) * size_t(image.height) * 4);
    for (size_t i = 3; i < image.bgr0.size(); i += 4)
        FUZZ_ASSERT(image.bgr0[i] == 0);
    return 0;
}
