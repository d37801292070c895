#include "Unpacker.h"

#include "SetupExitCode.h"
#include "StatusWindow.h"

#include <unzip.h>
// After unzip.h, which brings the declarations it builds on.
#include <iowin32.h>

#include <stdio.h>
#include <string.h>

namespace {

struct ArchiveCloser {
    unzFile archive;
    ~ArchiveCloser() { if (archive) unzClose(archive); }
};

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() { if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle); }
};

// Large enough that unpacking runs at disk speed, fixed so memory does not
// grow with the package.
constexpr unsigned kCopyBufferSize = 256 * 1024;

bool JoinPath(char* out, const char* folder, const char* name)
{
    const int written = snprintf(out, MAX_PATH, "%s\\%s", folder, name);
    return written > 0 && written < MAX_PATH;
}

void SetEntryTime(HANDLE file, uLong dosDate)
{
    FILETIME local, utc;
    if (DosDateTimeToFileTime(HIWORD(dosDate), LOWORD(dosDate), &local) &&
        LocalFileTimeToFileTime(&local, &utc))
        SetFileTime(file, &utc, nullptr, &utc);
}

// Unpacks the archive's current entry into path. A file that fails half-way
// is deleted, never left behind looking complete.
DWORD UnpackCurrentEntry(unzFile archive, const char* path, char* buffer)
{
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(archive) != UNZ_OK)
        return SetupExitArchiveUnreadable;
    DWORD failure = 0;
    ZPOS64_T total = 0;
    {
        HandleCloser out{CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (out.handle == INVALID_HANDLE_VALUE) {
            unzCloseCurrentFile(archive);
            return SetupExitCannotWrite;
        }
        for (;;) {
            const int count = unzReadCurrentFile(archive, buffer, kCopyBufferSize);
            if (count == 0)
                break;
            if (count < 0) {
                failure = SetupExitArchiveUnreadable;
                break;
            }
            DWORD written = 0;
            if (!WriteFile(out.handle, buffer, DWORD(count), &written, nullptr) ||
                written != DWORD(count)) {
                failure = SetupExitCannotWrite;
                break;
            }
            total += ZPOS64_T(count);
        }
        // Closing checks the CRC, but only of an entry read to its announced
        // size: a damaged stream that ends early must be caught by its length.
        if (unzCloseCurrentFile(archive) != UNZ_OK && !failure)
            failure = SetupExitArchiveUnreadable;
        if (!failure && total != info.uncompressed_size)
            failure = SetupExitArchiveUnreadable;
        if (!failure)
            SetEntryTime(out.handle, info.dosDate);
    }
    if (failure)
        DeleteFileA(path);
    return failure;
}

bool SystemHasFile(const char* path, const char* name)
{
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return !_stricmp(found.cFileName, name);
}

struct PlannedEntry {
    bool unpack;                 // false for a library the system folder has already
    char unpackPath[MAX_PATH];   // where it is unpacked first: always the temporary folder
};

// Reads every name and decides where each entry goes, writing nothing.
DWORD PlanEntries(unzFile archive, SetupState& state, std::vector<PlannedEntry>& plan)
{
    const size_t tempLength = strlen(state.tempFolder);
    const size_t systemLength = strlen(state.systemFolder);
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK)
        return SetupExitArchiveUnreadable;
    // An empty archive has no first entry to go to; that is not damage.
    if (global.number_entry == 0)
        return 0;
    int status = unzGoToFirstFile(archive);
    while (status == UNZ_OK) {
        char name[MAX_PATH];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
                UNZ_OK ||
            info.size_filename >= sizeof name)
            return SetupExitArchiveUnreadable;
        name[info.size_filename] = '\0';
        if (strlen(name) != info.size_filename || !IsSafeEntryName(name, tempLength) ||
            !IsSafeEntryName(name, systemLength))
            return SetupExitArchiveUnreadable;

        UnpackEntry entry = {};
        PlannedEntry planned = {};
        entry.kind = ClassifyEntry(name);
        planned.unpack = true;
        JoinPath(planned.unpackPath, state.tempFolder, name);
        const int index = int(state.entries.size());
        switch (entry.kind) {
        case EntryPackage: state.packageIndex = index; break;
        case EntrySkin: state.skinIndex = index; break;
        case EntryEngine: state.engineIndex = index; break;
        default: break;
        }
        if (entry.kind == EntrySystemLibrary) {
            JoinPath(entry.filePath, state.systemFolder, name);
            // A library already present is neither replaced nor, later, deleted.
            planned.unpack = !SystemHasFile(entry.filePath, name);
        } else {
            lstrcpynA(entry.filePath, planned.unpackPath, MAX_PATH);
            entry.deleteAfterwards = 1;
        }
        state.entries.push_back(entry);
        plan.push_back(planned);
        status = unzGoToNextFile(archive);
    }
    return status == UNZ_END_OF_LIST_OF_FILE ? DWORD(0) : DWORD(SetupExitArchiveUnreadable);
}

// minizip refuses an archive whose end record starts the file, which is
// what an archive without entries is. Such an archive is readable, only empty.
bool IsEmptyArchive(const char* path)
{
    HandleCloser file{CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE)
        return false;
    unsigned char end[22];
    DWORD read = 0;
    if (!ReadFile(file.handle, end, sizeof end, &read, nullptr) || read != sizeof end)
        return false;
    const unsigned entries = end[10] | (end[11] << 8);
    const unsigned commentLength = end[20] | (end[21] << 8);
    return !memcmp(end, "PK\x05\x06", 4) && entries == 0 &&
           GetFileSize(file.handle, nullptr) == sizeof end + commentLength;
}

} // namespace

DWORD UnpackArchive(SetupState& state, StatusWindow& status)
{
    zlib_filefunc64_def files;
    fill_win32_filefunc64A(&files);
    ArchiveCloser archive{unzOpen2_64(state.archiveFile, &files)};
    if (!archive.archive)
        return IsEmptyArchive(state.archiveFile) ? DWORD(0) : DWORD(SetupExitArchiveUnreadable);

    std::vector<PlannedEntry> plan;
    if (DWORD failure = PlanEntries(archive.archive, state, plan))
        return failure;

    std::vector<char> buffer(kCopyBufferSize);
    int position = plan.empty() ? UNZ_OK : unzGoToFirstFile(archive.archive);
    for (size_t i = 0; i < plan.size(); ++i) {
        if (position != UNZ_OK)
            return SetupExitArchiveUnreadable;
        if (plan[i].unpack) {
            status.ShowUnpacking(state.entries[i].filePath);
            if (DWORD failure = UnpackCurrentEntry(archive.archive, plan[i].unpackPath,
                                                   buffer.data()))
                return failure;
        }
        position = unzGoToNextFile(archive.archive);
    }

    // Only now, with every entry verified, do libraries reach the system
    // folder. Copying refuses to replace a file that appeared meanwhile. A
    // library that cannot be placed (no rights) does not stop the run: the
    // engine may still load, or the installation goes on unskinned.
    for (size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].unpack && state.entries[i].kind == EntrySystemLibrary) {
            CopyFileA(plan[i].unpackPath, state.entries[i].filePath, TRUE);
            DeleteFileA(plan[i].unpackPath);
        }
    }
    return 0;
}
