#include "SkinFileAccess.h"

#include <windows.h>

// After unzip.h, which brings the declarations it builds on.
#include <iowin32.h>

SkinPath SkinPathFromNarrow(const char* path)
{
    if (!path || !*path)
        return SkinPath();
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0)
        return SkinPath();
    SkinPath wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

SkinFileKind StatSkinFile(const SkinPathChar* path, uint64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!path || !*path || !GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return SkinFileKind::Missing;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return SkinFileKind::Folder;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return SkinFileKind::File;
}

void FillSkinFileFunctions(zlib_filefunc64_def& io)
{
    fill_win32_filefunc64W(&io);
}
