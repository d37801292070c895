#include "Extraction.h"

#include "BoundedPath.h"
#include "EntryRules.h"
#include "FileAccess.h"
#include "SetupExitCode.h"
#include "SetupLog.h"

#include <aclapi.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <vector>

namespace {

// Moves the held file to path, replacing a file there, without letting go of
// it: the file that was checked is the file that arrives, and no byte of it
// is copied. False when the move is refused (another volume among others)
// and nothing has moved.
bool MoveHeld(HANDLE held, const char* path)
{
    // The rename takes a system path: "\??\" before a drive path. Other
    // kinds of path (shares) are copied.
    wchar_t wide[MAX_PATH];
    if (!(path[0] && path[1] == ':' && path[2] == '\\') ||
        !MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, MAX_PATH))
        return false;
    static const wchar_t kPrefix[] = L"\\??\\";
    const size_t prefixLength = wcslen(kPrefix);
    const size_t nameLength = prefixLength + wcslen(wide);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameLength * sizeof(wchar_t));
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = DWORD(nameLength * sizeof(wchar_t));
    memcpy(info->FileName, kPrefix, prefixLength * sizeof(wchar_t));
    memcpy(info->FileName + prefixLength, wide, (nameLength - prefixLength + 1) * sizeof(wchar_t));
    return SetFileInformationByHandle(held, FileRenameInfo, info, DWORD(buffer.size())) != FALSE;
}

// A moved file keeps the private folder's access list: it takes the one of
// the folder it now lies in, as a copy does.
bool InheritFolderAccess(const char* path)
{
    ACL empty;
    if (!InitializeAcl(&empty, sizeof empty, ACL_REVISION))
        return false;
    return SetNamedSecurityInfoA(const_cast<char*>(path), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, &empty, nullptr) == ERROR_SUCCESS;
}

// Writes the held file's bytes and times into path, replacing a file there;
// reading the held handle, not the name, so the checked file is the source.
// Nothing half-written stays behind.
bool CopyHeld(HANDLE held, const char* path)
{
    LARGE_INTEGER start = {};
    FILETIME created, accessed, written;
    if (!SetFilePointerEx(held, start, nullptr, FILE_BEGIN) ||
        !GetFileTime(held, &created, &accessed, &written))
        return false;
    bool copied = true;
    {
        FileHandle out(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out)
            return false;
        std::vector<char> buffer(1024 * 1024);
        for (;;) {
            DWORD read = 0, put = 0;
            if (!ReadFile(held, buffer.data(), DWORD(buffer.size()), &read, nullptr) ||
                (read && (!WriteFile(out.get(), buffer.data(), read, &put, nullptr) ||
                          put != read))) {
                copied = false;
                break;
            }
            if (read == 0)
                break;
        }
        copied = copied && SetFileTime(out.get(), &created, nullptr, &written);
    }
    if (!copied)
        DeleteFileA(path);
    return copied;
}

// The entry's verified file into path: moved on the same volume, copied
// onto another. An entry held by nobody is copied by its name.
bool PlaceEntry(const SetupState& state, size_t index, const char* path, SetupLog& log)
{
    const HANDLE held = index < state.held.size() && state.held[index]
                            ? state.held[index].get()
                            : INVALID_HANDLE_VALUE;
    if (held == INVALID_HANDLE_VALUE)
        return CopyFileA(state.entries[index].filePath, path, FALSE) != FALSE;
    if (!MoveHeld(held, path))
        return CopyHeld(held, path);
    if (!InheritFolderAccess(path)) {
        log.Write("\"%s\" cannot take the folder's permissions", path);
        return false;
    }
    return true;
}

} // namespace

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
            !PlaceEntry(state, size_t(&entry - state.entries.data()), path, log)) {
            log.Write("\"%s\" cannot be written (error %lu)", path, GetLastError());
            return SetupExitCannotExtract;
        }
        log.Write("extracted \"%s\"", path);
    }
    return 0;
}
