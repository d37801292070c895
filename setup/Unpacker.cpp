#include "Unpacker.h"

#include "ArchiveLayout.h"
#include "BoundedPath.h"
#include "FileAccess.h"
#include "Handles.h"
#include "LittleEndian.h"
#include "SetupExitCode.h"
#include "SetupLog.h"
#include "StatusWindow.h"
#include "ZipHandles.h"

#include <unzip.h>
// After unzip.h, which brings the declarations it builds on.
#include <iowin32.h>
#include <zlib.h>

#include <stdio.h>
#include <string.h>
#include <winternl.h>

#include <string>
#include <unordered_set>

namespace {

// Large enough that unpacking runs at disk speed, fixed so memory does not
// grow with the package.
constexpr unsigned kCopyBufferSize = 256 * 1024;


void SetEntryTime(HANDLE file, uLong dosDate)
{
    FILETIME local, utc;
    if (DosDateTimeToFileTime(HIWORD(dosDate), LOWORD(dosDate), &local) &&
        LocalFileTimeToFileTime(&local, &utc))
        SetFileTime(file, &utc, nullptr, &utc);
}

// Which file a handle has open: its index on the volume, its size and when
// it was last written. Asked of the file system alone; the volume's own
// serial number would cost a query of the volume for every entry.
struct FileIdentity {
    LONGLONG index = 0;
    LONGLONG size = 0;
    ULONGLONG written = 0;
};

bool IdentityOf(HANDLE file, FileIdentity& identity)
{
    typedef NTSTATUS(NTAPI * QueryFn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                      FILE_INFORMATION_CLASS);
    static const QueryFn query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    IO_STATUS_BLOCK status;
    LARGE_INTEGER index, size;
    FILETIME written;
    if (!query || query(file, &status, &index, sizeof index, FileInternalInformation) < 0 ||
        !GetFileSizeEx(file, &size) || !GetFileTime(file, nullptr, nullptr, &written))
        return false;
    identity.index = index.QuadPart;
    identity.size = size.QuadPart;
    identity.written = ULONGLONG(written.dwHighDateTime) << 32 | written.dwLowDateTime;
    return true;
}

// Swaps the writing handle for the one the run holds: reading, shared with
// readers only. The writing handle denied writing and deleting from the
// file's creation on, so what it wrote is what the CRC was checked on. The
// two handles cannot overlap (a reader that denies writing cannot open
// while a writer is open), so the held one must be the very file the writer
// had: the same index, of the size written, last written when the writer
// left it (a write between the two would move that on). The private folder cannot be
// swapped meanwhile, as the archive beside the file is open, so a file
// swapped in would lie in the same folder and differ in its index; writing
// into the file itself takes rights on the private folder that only its
// owner has.
DWORD HoldWritten(const char* path, FileHandle& writer, DWORD heldAccess, ZPOS64_T size,
                  HeldFile& held)
{
    FileIdentity written, opened;
    if (!IdentityOf(writer.get(), written))
        return SetupExitCannotWrite;
    writer.reset();
    HeldFile candidate(CreateFileA(path, heldAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!candidate || !IdentityOf(candidate.get(), opened))
        return SetupExitCannotWrite;
    if (opened.index != written.index || opened.written != written.written ||
        ZPOS64_T(opened.size) != size || ZPOS64_T(written.size) != size)
        return SetupExitArchiveUnreadable;
    held = std::move(candidate);
    return 0;
}

// Unpacks the archive's current entry into path and holds it, or, with no
// path, only reads it through so that its data is checked all the same. One
// pass: the CRC is that of the bytes as they are written. A file that fails
// half-way is deleted, never left behind looking complete.
DWORD UnpackCurrentEntry(unzFile archive, const char* path, DWORD heldAccess, char* buffer,
                         HeldFile& held)
{
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(archive) != UNZ_OK)
        return SetupExitArchiveUnreadable;
    DWORD failure = 0;
    ZPOS64_T total = 0;
    // Others may read it while it is written, never write, rename or delete it.
    FileHandle out(path ? CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)
                        : INVALID_HANDLE_VALUE);
    if (path && !out) {
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
        if (path && (!WriteFile(out.get(), buffer, DWORD(count), &written, nullptr) ||
                     written != DWORD(count))) {
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
    if (!failure && path) {
        SetEntryTime(out.get(), info.dosDate);
        failure = HoldWritten(path, out, heldAccess, total, held);
    }
    if (failure && path) {
        out.reset();
        held.reset();
        DeleteFileA(path);
    }
    return failure;
}

bool SystemHasFile(const char* path, const char* name)
{
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return SameEntryName(found.cFileName, name);
}

struct PlannedEntry {
    bool unpack;                 // false for a library the system folder has already
    char name[MAX_PATH];         // as stored
    char unpackPath[MAX_PATH];   // where it is unpacked first: always the temporary folder
};

// Why an entry is refused before anything is written, or null. names holds
// the folded names of the entries before it.
const char* RefusalOf(const unz_file_info64& info, const char* name, EntryKind kind,
                      const SetupState& state, std::unordered_set<std::u16string>& names)
{
    if (!IsSafeEntryName(name, strlen(state.tempFolder)) ||
        !IsSafeEntryName(name, strlen(state.systemFolder)))
        return "unsafe name (folder part, device, wildcard, or too long)";
    if (const char* refusal = EntryDataRefusal(info.flag, info.compression_method,
                                               info.uncompressed_size, kind))
        return refusal;
    // The archive itself lies in the temporary folder, open while entries
    // are unpacked beside it.
    const char* slash = strrchr(state.archiveFile, '\\');
    if (SameEntryName(slash ? slash + 1 : state.archiveFile, name))
        return "named like the archive it comes in";
    // A safe name is text in the code page, so it has a key.
    std::u16string key;
    if (!EntryNameKey(name, key) || !names.insert(std::move(key)).second)
        return "a second entry of the same name (case ignored)";
    if (kind == EntryPackage && state.packageIndex >= 0)
        return "a second .msi package";
    return nullptr;
}

// Where the current entry's local record and data lie in the file, read as
// the unzip code reads them when it unpacks the entry. Opening it raw
// reads only its local header.
bool LocateEntry(unzFile archive, const unz_file_info64& info, size_t index, EntryExtent& extent)
{
    if (unzOpenCurrentFile2(archive, nullptr, nullptr, 1) != UNZ_OK)
        return false;
    const ZPOS64_T data = unzGetCurrentFileZStreamPos64(archive);
    const int extra = unzGetLocalExtrafield(archive, nullptr, 0);
    unzCloseCurrentFile(archive);
    const ZPOS64_T header = 30 + ZPOS64_T(info.size_filename) + ZPOS64_T(extra);
    if (extra < 0 || data < header)
        return false;
    extent.begin = data - header;
    extent.end = info.compressed_size > ~ZPOS64_T(0) - data ? ~ZPOS64_T(0)
                                                             : data + info.compressed_size;
    extent.entry = index;
    return true;
}

// Reads every name and decides where each entry goes, writing nothing.
DWORD PlanEntries(unzFile archive, SetupState& state, std::vector<PlannedEntry>& plan,
                  SetupLog& log)
{
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) {
        log.Write("refused: the archive's directory cannot be read");
        return SetupExitArchiveUnreadable;
    }
    // An empty archive has no first entry to go to; that is not damage.
    if (global.number_entry == 0)
        return 0;
    // Before the directory is walked: every further check is linear in the
    // entries, but an archive of thousands of them is no setup.
    if (global.number_entry > kMostEntries) {
        log.Write("refused: the archive has %llu entries, more than the %llu a setup holds",
                  static_cast<unsigned long long>(global.number_entry), kMostEntries);
        return SetupExitArchiveUnreadable;
    }
    ArchiveLayout layout;
    if (!ReadArchiveLayout(ReadOnlyFile(state.archiveFile), layout)) {
        log.Write("refused: the archive's end record cannot be read, or is a 64-bit one");
        return SetupExitArchiveUnreadable;
    }
    std::unordered_set<std::u16string> names;
    std::vector<EntryExtent> extents;
    ZPOS64_T toWrite = 0;
    int status = unzGoToFirstFile(archive);
    while (status == UNZ_OK) {
        PlannedEntry planned = {};
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive, &info, planned.name, sizeof planned.name, nullptr,
                                    0, nullptr, 0) != UNZ_OK ||
            info.size_filename >= sizeof planned.name) {
            log.Write("refused: an entry's name cannot be read or is too long");
            return SetupExitArchiveUnreadable;
        }
        const char* name = planned.name;
        planned.name[info.size_filename] = '\0';
        UnpackEntry entry = {};
        entry.kind = ClassifyEntry(name);
        const char* refusal = strlen(name) != info.size_filename
                                  ? "a zero byte in the name"
                                  : RefusalOf(info, name, entry.kind, state, names);
        EntryExtent extent;
        if (!refusal && !LocateEntry(archive, info, plan.size(), extent))
            refusal = "its local header cannot be read or does not match the directory";
        if (refusal) {
            log.Write("refused: entry \"%s\": %s", name, refusal);
            return SetupExitArchiveUnreadable;
        }
        extents.push_back(extent);

        planned.unpack = true;
        JoinPath(planned.unpackPath, state.tempFolder, '\\', name);
        const int index = int(state.entries.size());
        switch (entry.kind) {
        case EntryPackage: state.packageIndex = index; break;
        case EntrySkin: state.skinIndex = index; break;
        case EntryEngine: state.engineIndex = index; break;
        default: break;
        }
        if (entry.kind == EntrySystemLibrary && state.placeLibraries) {
            JoinPath(entry.filePath, state.systemFolder, '\\', name);
            // A library already present is neither replaced nor, later,
            // deleted; its data is still checked.
            planned.unpack = !SystemHasFile(entry.filePath, name);
        } else {
            lstrcpynA(entry.filePath, planned.unpackPath, MAX_PATH);
            entry.deleteAfterwards = 1;
        }
        if (planned.unpack)
            toWrite += info.uncompressed_size;
        state.entries.push_back(entry);
        plan.push_back(planned);
        status = unzGoToNextFile(archive);
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        log.Write("refused: the archive's directory is damaged");
        return SetupExitArchiveUnreadable;
    }
    // From the directory alone, before the first byte: entries that share
    // their bytes would each inflate the same data, many times what the
    // archive holds.
    size_t first = 0, second = 0;
    if (const char* refusal = ExtentRefusal(extents, layout, first, second)) {
        if (first == second)
            log.Write("refused: entry \"%s\": %s", plan[first].name, refusal);
        else
            log.Write("refused: entry \"%s\": %s entry \"%s\"", plan[second].name, refusal,
                      plan[first].name);
        return SetupExitArchiveUnreadable;
    }
    // From the directory alone, before the first byte: an archive that
    // cannot fit must not fill the disk on its way to failing.
    ULARGE_INTEGER available;
    if (GetDiskFreeSpaceExA(state.tempFolder, &available, nullptr, nullptr) &&
        toWrite > available.QuadPart) {
        log.Write("refused: the entries need %llu bytes, the temporary folder's volume has %llu",
                  static_cast<unsigned long long>(toWrite),
                  static_cast<unsigned long long>(available.QuadPart));
        return SetupExitDiskFull;
    }
    return 0;
}

// minizip refuses an archive whose end record starts the file, which is
// what an archive without entries is. Such an archive is readable, only empty.
bool IsEmptyArchive(const char* path)
{
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    unsigned char end[22];
    DWORD read = 0;
    if (!ReadFile(file.get(), end, sizeof end, &read, nullptr) || read != sizeof end)
        return false;
    const unsigned entries = ReadLittle16(end + 10);
    const unsigned commentLength = ReadLittle16(end + 20);
    return !memcmp(end, "PK\x05\x06", 4) && entries == 0 &&
           GetFileSize(file.get(), nullptr) == sizeof end + commentLength;
}

} // namespace

DWORD UnpackArchive(SetupState& state, StatusWindow& status, SetupLog& log)
{
    zlib_filefunc64_def files;
    fill_win32_filefunc64A(&files);
    ZipReader archive(unzOpen2_64(state.archiveFile, &files));
    if (!archive) {
        if (IsEmptyArchive(state.archiveFile))
            return 0;
        log.Write("refused: the archive cannot be opened as a ZIP archive");
        return SetupExitArchiveUnreadable;
    }

    std::vector<PlannedEntry> plan;
    if (DWORD failure = PlanEntries(archive.get(), state, plan, log))
        return failure;

    state.held.clear();
    state.held.resize(plan.size());
    std::vector<char> buffer(kCopyBufferSize);
    // Extraction moves the held files out, which takes delete access; the
    // installer and the loader refuse to open a file someone may delete, so
    // only extraction asks for it.
    const DWORD heldAccess = state.movesHeldFiles ? GENERIC_READ | DELETE : GENERIC_READ;
    int position = plan.empty() ? UNZ_OK : unzGoToFirstFile(archive.get());
    for (size_t i = 0; i < plan.size(); ++i) {
        if (position != UNZ_OK)
            return SetupExitArchiveUnreadable;
        if (plan[i].unpack)
            status.ShowUnpacking(state.entries[i].filePath);
        if (DWORD failure = UnpackCurrentEntry(archive.get(),
                                               plan[i].unpack ? plan[i].unpackPath : nullptr,
                                               heldAccess, buffer.data(), state.held[i])) {
            log.Write("refused: entry \"%s\" fails its check on unpacking", plan[i].name);
            return failure;
        }
        if (plan[i].unpack)
            log.Write("entry \"%s\" unpacked and checked: %s", plan[i].name,
                      plan[i].unpackPath);
        else
            log.Write("entry \"%s\" checked; %s is there already and stays", plan[i].name,
                      state.entries[i].filePath);
        position = unzGoToNextFile(archive.get());
    }

    // Only now, with every entry verified, do libraries reach the system
    // folder. Copying refuses to replace a file that appeared meanwhile. A
    // library that cannot be placed (no rights) does not stop the run: the
    // engine may still load, or the installation goes on unskinned.
    for (size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].unpack && state.entries[i].kind == EntrySystemLibrary &&
            state.placeLibraries) {
            if (CopyFileA(plan[i].unpackPath, state.entries[i].filePath, TRUE))
                log.Write("placed %s", state.entries[i].filePath);
            else
                log.Write("%s cannot be placed (error %lu); going on", state.entries[i].filePath,
                          GetLastError());
            state.held[i].reset();
            DeleteFileA(plan[i].unpackPath);
        }
    }
    return 0;
}
