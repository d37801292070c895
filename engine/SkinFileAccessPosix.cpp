#include "SkinFileAccess.h"

#include <sys/stat.h>

SkinPath SkinPathFromNarrow(const char* path)
{
    return path ? SkinPath(path) : SkinPath();
}

SkinFileKind StatSkinFile(const SkinPathChar* path, uint64_t& size)
{
    struct stat info;
    if (!path || !*path || stat(path, &info) != 0)
        return SkinFileKind::Missing;
    if (S_ISDIR(info.st_mode))
        return SkinFileKind::Folder;
    size = static_cast<uint64_t>(info.st_size);
    return SkinFileKind::File;
}

void FillSkinFileFunctions(zlib_filefunc64_def& io)
{
    fill_fopen64_filefunc(&io);
}
