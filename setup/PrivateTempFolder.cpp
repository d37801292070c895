#include "PrivateTempFolder.h"

#include <stdio.h>

bool PrivateTempFolder::Create()
{
    char base[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, base);
    if (length == 0 || length >= MAX_PATH)
        return false;
    // CreateDirectoryA fails on an existing name, so a folder we get is ours
    // alone; a clash only costs another attempt.
    const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        char candidate[MAX_PATH];
        const int written = snprintf(candidate, sizeof candidate, "%sVelumo-%08lX\\", base,
                                     static_cast<unsigned long>(seed + attempt * 7919u));
        if (written <= 0 || written >= MAX_PATH)
            return false;
        if (CreateDirectoryA(candidate, nullptr)) {
            lstrcpynA(path_, candidate, MAX_PATH);
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

void PrivateTempFolder::Remove()
{
    if (!created())
        return;
    // Entries are plain file names, so the folder holds files only.
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s*", path_);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            char file[MAX_PATH];
            const int written = snprintf(file, sizeof file, "%s%s", path_, found.cFileName);
            if (written > 0 && written < MAX_PATH) {
                SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path_);
    path_[0] = '\0';
}
