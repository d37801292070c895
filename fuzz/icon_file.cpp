// The icon file reader on an .ico file made from the input, and the icon
// group written from what it accepts.
#include "FuzzFiles.h"
#include "IconFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = WriteFuzzFile("setup.ico", data, size);
    IconFile icon;
    const IconFile::LoadResult result = icon.Load(path.c_str());
    FUZZ_ASSERT(result != IconFile::CannotOpen);
    if (result != IconFile::Loaded) {
        FUZZ_ASSERT(icon.images().empty());
        return 0;
    }
    // At most 256 images, none empty, sharing no bytes: together no larger
    // than the file.
    const std::vector<IconImage>& images = icon.images();
    FUZZ_ASSERT(!images.empty() && images.size() <= IconFile::kMaxImages);
    size_t total = 0;
    for (const IconImage& image : images) {
        FUZZ_ASSERT(!image.bytes.empty());
        total += image.bytes.size();
    }
    FUZZ_ASSERT(total <= size);
    // The group lists each image once with its byte size and id.
    const std::string group = IconGroupBytes(images, 1);
    FUZZ_ASSERT(group.size() == 6 + 14 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const unsigned char* entry = reinterpret_cast<const unsigned char*>(group.data()) + 6 + 14 * i;
        const uint32_t bytes = entry[8] | entry[9] << 8 | entry[10] << 16 | uint32_t(entry[11]) << 24;
        FUZZ_ASSERT(bytes == images[i].bytes.size() && (entry[12] | entry[13] << 8) == int(i + 1));
    }
    return 0;
}
