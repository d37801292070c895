#include "Extraction.h"

#include "BoundedPath.h"
#include "EntryRules.h"
#include "FileAccess.h"
#include "SetupExitCode.h"
#include "SetupLog.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

bool CreateFolderPath(const char* folder)
{
    char path[MAX_PATH];
    const DWORD length = GetFullPathNameA(folder, MAX_PATH, path, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return false;
    // Each backslash after the root ends one folder to make; walked by whole
    // characters, as a double-byte name may hold a trail byte 0x5C. A folder
    // that exists already may refuse creation for want of rights: that is
    // no failure.
    for (char* p = PathSkipRootA(path); p && *p; p = CharNextA(p)) {
        if (*p != '\\')
            continue;
        *p = '\0';
        const bool there = CreateDirectoryA(path, nullptr) || FolderExists(path);
        *p = '\\';
        if (!there)
            return false;
    }
    return CreateDirectoryA(path, nullptr) || FolderExists(path);
}

DWORD ExtractEntries(const SetupState& state, const char* folder, SetupLog& log)
{
    char target[MAX_PATH];
    const DWORD length = GetFullPathNameA(folder, MAX_PATH, target, nullptr);
    if (length == 0 || length >= MAX_PATH || !CreateFolderPath(target)) {
        log.Write("the folder \"%s\" cannot be created", folder);
        return SetupExitCannotExtract;
    }
    // A final backslash goes, but not the trail byte 0x5C of a double-byte
    // character that ends the name.
    char* last = CharPrevA(target, target + length);
    if (*last == '\\' && last + 1 == target + length)
        *last = '\0';
    const size_t folderLength = strlen(target);
    // Every name must fit before the first file is written.
    for (const UnpackEntry& entry : state.entries) {
        if (!IsSafeEntryName(PathFindFileNameA(entry.filePath), folderLength)) {
            log.Write("\"%s\" does not fit into \"%s\"", PathFindFileNameA(entry.filePath),
                      target);
            return SetupExitCannotExtract;
        }
    }
    for (const UnpackEntry& entry : state.entries) {
        char path[MAX_PATH];
        if (!JoinPath(path, target, '\\', PathFindFileNameA(entry.filePath)) ||
            !CopyFileA(entry.filePath, path, FALSE)) {
            log.Write("\"%s\" cannot be written (error %lu)", path, GetLastError());
            return SetupExitCannotExtract;
        }
        log.Write("extracted \"%s\"", path);
    }
    return 0;
}
