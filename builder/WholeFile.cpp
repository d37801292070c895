#include "WholeFile.h"

#include <stdio.h>

WholeFileResult ReadWholeFile(const char* path, uint64_t limit, std::string& bytes)
{
    bytes.clear();
    FILE* file = fopen(path, "rb");
    if (!file)
        return WholeFileResult::CannotOpen;
    char block[64 * 1024];
    size_t count;
    bool fits = true;
    while (fits && (count = fread(block, 1, sizeof block, file)) > 0) {
        fits = bytes.size() + count <= limit;
        if (fits)
            bytes.append(block, count);
    }
    const bool read = fits && !ferror(file);
    fclose(file);
    return read ? WholeFileResult::Done : WholeFileResult::Failed;
}

WholeFileResult WriteWholeFile(const char* path, const std::string& bytes)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return WholeFileResult::CannotOpen;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written ? WholeFileResult::Done : WholeFileResult::Failed;
}
