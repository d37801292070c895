#include "OutputFiles.h"

#include "EntryRules.h"
#include "Handles.h"
#include "UniqueFolder.h"

#include <windows.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

bool PathExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool SameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    auto identify = [](const char* path, BY_HANDLE_FILE_INFORMATION& info) {
        FileHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file && GetFileInformationByHandle(file.get(), &info) != 0;
    };
    return identify(a, infoA) && identify(b, infoB) &&
           infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

std::string FileNamePart(const char* path)
{
    return PathFindFileNameA(path);
}

std::vector<std::string> FileNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// An output that names a device (NUL, COM1, "\\.\..."), an alternate data
// stream ("setup.exe:x") or a name Windows would store differently (a
// trailing dot or space) would never hold the setup where the packager
// looks for it. Its file name part must pass the rules for entry names.
bool OutputIsPlainFile(const char* outputPath)
{
    if (!strncmp(outputPath, "\\\\.\\", 4) || !strncmp(outputPath, "\\\\?\\", 4))
        return false;
    const char* name = outputPath;
    for (const char* p = outputPath; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || (*p == ':' && p == outputPath + 1))
            name = p + 1;
    }
    return IsSafeEntryName(name, 0);
}

PendingOutput::~PendingOutput()
{
    if (!path_.empty()) {
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path_.c_str());
    }
}

bool PendingOutput::Create(const char* outputPath)
{
    char full[MAX_PATH];
    char* namePart = nullptr;
    const DWORD length = GetFullPathNameA(outputPath, sizeof full, full, &namePart);
    if (length == 0 || length >= sizeof full || !namePart)
        return false;
    *namePart = '\0';
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(full, "vlm", 0, temporary))
        return false;
    path_ = temporary;
    return true;
}

bool PendingOutput::CopyStub(const char* stubPath)
{
    return CopyFileA(stubPath, path(), FALSE) && SetFileAttributesA(path(), FILE_ATTRIBUTE_NORMAL);
}

bool PendingOutput::Commit(const char* outputPath)
{
    // Not every file system refuses to replace a read-only file.
    const DWORD attributes = GetFileAttributesA(outputPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    // Renamed before its bytes are on the disk, the setup could replace the
    // packager's earlier one with an empty file if the machine went down.
    FileHandle written(CreateFileA(path(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!written || !FlushFileBuffers(written.get()))
        return false;
    written.reset();
    if (!MoveFileExA(path(), outputPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    path_.clear();
    return true;
}

ScratchFolder::ScratchFolder()
{
    char base[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, base);
    char folder[kMaxPath];
    if (length != 0 && length < MAX_PATH && CreateUniqueFolder(base, "OrnixCheck-", nullptr, folder))
        path_ = folder;
}

ScratchFolder::~ScratchFolder()
{
    if (!file_.empty())
        DeleteFileA(file_.c_str());
    if (!path_.empty())
        RemoveDirectoryA(path_.c_str());
}
