// The skin archive reader on a skin file made from the input: what the
// engine and both builders read first of a skin a stranger sends.
#include "FuzzFiles.h"
#include "SkinArchive.h"

#include <ctype.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = WriteFuzzFile("skin.skf", data, size);
    SkinArchiveEntries entries;
    SkinFaults faults;
    const bool read = ReadSkinArchive(path.c_str(), entries, faults);
    FUZZ_ASSERT(read == faults.empty());
    if (!read)
        return 0;
    // Whatever the archive says, no more than a skin needs is held: at most
    // 256 entries of 16 MB, 64 MB in all, each named as the skin looks it up.
    FUZZ_ASSERT(entries.size() <= 256);
    size_t total = 0;
    for (const auto& entry : entries) {
        FUZZ_ASSERT(entry.second.size() <= 16u * 1024 * 1024);
        total += entry.second.size();
        for (unsigned char c : entry.first)
            FUZZ_ASSERT(c != '\\' && !isupper(c));
    }
    FUZZ_ASSERT(total <= 64u * 1024 * 1024);
    return 0;
}
