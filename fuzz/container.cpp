// The container reader on a program file made from the input: what the stub
// does with its own file, and the builder with a setup it reads back.
#include "FuzzFiles.h"
#include "PackageFile.h"

#include <string.h>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string path = WriteFuzzFile("setup.exe", data, size);
    static const std::string out = FuzzFolder() + "/out";
    mkdir(out.c_str(), 0700);

    PackageFile setup(path.c_str());
    const bool endsWithMarker = setup.HasContainer();
    FUZZ_ASSERT(endsWithMarker == (size >= kContainerMarkerLength &&
                                   !memcmp(data + size - kContainerMarkerLength,
                                           kContainerMarker, kContainerMarkerLength)));
    const int64_t marker = setup.FindMarker();
    FUZZ_ASSERT(marker == -1 || (marker >= 0 && marker + kContainerMarkerLength <= int64_t(size)));
    if (marker >= 0)
        FUZZ_ASSERT(!memcmp(data + marker, kContainerMarker, kContainerMarkerLength));

    char archive[kMaxPath] = "";
    const ExtractResult result = setup.ExtractContainer(out.c_str(), archive, sizeof archive);
    FUZZ_ASSERT((result == ExtractNoContainer) == (marker < 0));
    if (result == ExtractDone) {
        // One plain file straight in the folder, holding the bytes right
        // before the start offset, which the container's name record precedes.
        FUZZ_ASSERT(!strncmp(archive, out.c_str(), out.size()) && archive[out.size()] == '/' &&
                    !strchr(archive + out.size() + 1, '/'));
        const std::string bytes = ReadFuzzFile(archive);
        const size_t end = size_t(marker) - kContainerStartOffsetSize;
        FUZZ_ASSERT(bytes.size() <= end && !input.compare(end - bytes.size(), bytes.size(), bytes));
    }
    EmptyFuzzFolder(out);
    return 0;
}
