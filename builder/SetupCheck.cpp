#include "SetupCheck.h"

#include "EntryRules.h"
#include "FileAccess.h"
#include "LittleEndian.h"
#include "PackageFile.h"

#include "ZipHandles.h"

#include <unzip.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <vector>

namespace {

// The setup unpacks into "<temporary folder>\Velumo-XXXXXXXX\". On a typical
// machine that is "C:\Users\<profile>\AppData\Local\Temp\" and the profile
// name may run to 32 characters; a name that fits there fits on most machines.
constexpr size_t kTypicalTempFolderLength = 9 + 32 + 20 + 16;
// Runtime libraries go to "C:\Windows\SysWOW64" on 64-bit Windows.
constexpr size_t kSystemFolderLength = 19;
constexpr size_t kReadBackBufferSize = 256 * 1024;

// The archive's bytes inside the setup, where the setup's own reader finds
// them; the unzip code reads them there, offsets counted from the archive's
// first byte, as in the copy the setup makes of it.
struct ArchiveWindow {
    std::string setupPath;
    int64_t begin = 0;
    int64_t end = 0;
};

struct WindowStream {
    explicit WindowStream(const char* path) : file(path) {}
    ReadOnlyFile file;
    int64_t position = 0;
    bool failed = false;
};

voidpf ZCALLBACK OpenWindow(voidpf opaque, const void*, int mode)
{
    const ArchiveWindow* window = static_cast<const ArchiveWindow*>(opaque);
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    std::unique_ptr<WindowStream> stream(new WindowStream(window->setupPath.c_str()));
    if (!stream->file.ok() || stream->file.length() < window->end)
        return nullptr;
    return stream.release();
}

uLong ZCALLBACK ReadWindow(voidpf opaque, voidpf handle, void* buffer, uLong size)
{
    const ArchiveWindow* window = static_cast<const ArchiveWindow*>(opaque);
    WindowStream* stream = static_cast<WindowStream*>(handle);
    const int64_t length = window->end - window->begin;
    const int64_t left = stream->position < length ? length - stream->position : 0;
    const uLong count = int64_t(size) < left ? size : uLong(left);
    if (count && !stream->file.ReadAt(window->begin + stream->position, buffer, count)) {
        stream->failed = true;
        return 0;
    }
    stream->position += count;
    return count;
}

uLong ZCALLBACK WriteWindow(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK TellWindow(voidpf, voidpf handle)
{
    return ZPOS64_T(static_cast<WindowStream*>(handle)->position);
}

long ZCALLBACK SeekWindow(voidpf opaque, voidpf handle, ZPOS64_T offset, int origin)
{
    const ArchiveWindow* window = static_cast<const ArchiveWindow*>(opaque);
    WindowStream* stream = static_cast<WindowStream*>(handle);
    const int64_t length = window->end - window->begin;
    int64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = stream->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = length; break;
    default: return -1;
    }
    if (offset > ZPOS64_T(INT64_MAX - base))
        return -1;
    stream->position = base + int64_t(offset);
    return 0;
}

int ZCALLBACK CloseWindow(voidpf, voidpf handle)
{
    delete static_cast<WindowStream*>(handle);
    return 0;
}

int ZCALLBACK WindowError(voidpf, voidpf handle)
{
    return static_cast<WindowStream*>(handle)->failed ? 1 : 0;
}

unzFile OpenArchive(ArchiveWindow& window)
{
    zlib_filefunc64_def files = {};
    files.zopen64_file = OpenWindow;
    files.zread_file = ReadWindow;
    files.zwrite_file = WriteWindow;
    files.ztell64_file = TellWindow;
    files.zseek64_file = SeekWindow;
    files.zclose_file = CloseWindow;
    files.zerror_file = WindowError;
    files.opaque = &window;
    return unzOpen2_64(window.setupPath.c_str(), &files);
}

// Where the setup's reader finds the archive: the container it locates, its
// start offset and name record read as the copy-out reads them.
bool LocateArchive(const char* setupPath, ArchiveWindow& window)
{
    PackageFile setup(setupPath);
    const int64_t marker = setup.FindMarker();
    if (marker < 0)
        return false;
    ReadOnlyFile file(setupPath);
    unsigned char field[4];
    const int64_t trailer = marker - kContainerStartOffsetSize;
    if (!file.ok() || !file.ReadAt(trailer, field, sizeof field))
        return false;
    const int64_t start = ReadLittle32(field);
    if (!file.ReadAt(start, field, sizeof field))
        return false;
    const int64_t begin = start + kContainerNameLengthSize + int64_t(ReadLittle32(field));
    if (begin > trailer)
        return false;
    window.setupPath = setupPath;
    window.begin = begin;
    window.end = trailer;
    return true;
}

// Reads the current entry to its end: closing it checks the CRC, and the
// count read must be the size the entry announces.
bool EntryReadsBack(unzFile archive, std::vector<char>& buffer)
{
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(archive) != UNZ_OK)
        return false;
    ZPOS64_T total = 0;
    for (;;) {
        const int count = unzReadCurrentFile(archive, buffer.data(), unsigned(buffer.size()));
        if (count == 0)
            break;
        if (count < 0) {
            unzCloseCurrentFile(archive);
            return false;
        }
        total += ZPOS64_T(count);
    }
    return unzCloseCurrentFile(archive) == UNZ_OK && total == info.uncompressed_size;
}

// What the directory says of one entry, before its data is read.
struct EntryVerdict {
    unz64_file_pos position = {};
    bool refusedName = false;
    bool refusedData = false;
    bool readsBack = false;
};

// Reads every entry whose data is to be read back, on every core: each
// worker opens the archive on its own and takes the next entry.
void ReadBackEntries(ArchiveWindow& window, std::vector<EntryVerdict>& verdicts)
{
    std::vector<size_t> pending;
    for (size_t i = 0; i < verdicts.size(); ++i) {
        if (!verdicts[i].refusedName && !verdicts[i].refusedData)
            pending.push_back(i);
    }
    std::atomic<size_t> next(0);
    auto work = [&] {
        ZipReader archive(OpenArchive(window));
        std::vector<char> buffer(kReadBackBufferSize);
        for (size_t taken; (taken = next++) < pending.size();) {
            EntryVerdict& verdict = verdicts[pending[taken]];
            verdict.readsBack = archive &&
                                unzGoToFilePos64(archive.get(), &verdict.position) == UNZ_OK &&
                                EntryReadsBack(archive.get(), buffer);
        }
    };
    const size_t workers =
        std::min<size_t>(pending.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (size_t i = 1; i < workers; ++i) {
        // A thread the system will not give leaves its share to the others.
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
    for (std::thread& thread : threads)
        thread.join();
}

SetupCheckResult CheckArchive(ArchiveWindow& window, size_t expectedEntries,
                              std::string& refusedEntry)
{
    ZipReader archive(OpenArchive(window));
    if (!archive)
        return SetupCheckResult::ArchiveDamaged;
    std::unordered_set<std::u16string> names;
    std::vector<EntryVerdict> verdicts;
    std::vector<std::string> refusedNames;
    // The directory is walked first, every entry's data read back after; the
    // first entry that fails in either decides, as when each was read in turn.
    bool directoryDamaged = false;
    int status = unzGoToFirstFile(archive.get());
    while (status == UNZ_OK) {
        char name[kMaxPath];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive.get(), &info, name, sizeof name, nullptr, 0, nullptr,
                                    0) != UNZ_OK ||
            info.size_filename >= sizeof name) {
            directoryDamaged = true;
            break;
        }
        name[info.size_filename] = '\0';
        const bool isPackage = ClassifyEntry(name) == EntryPackage;
        EntryVerdict verdict;
        // The setup refuses a second ".msi" and two names that would be one
        // file: the MSI entry comes first and must be the only one, and a
        // skin named like a library would meet that library. A usable name
        // is text, so it has a key.
        std::u16string key;
        verdict.refusedName = strlen(name) != info.size_filename || !IsUsableEntryName(name) ||
                              isPackage != verdicts.empty() || !EntryNameKey(name, key) ||
                              !names.insert(std::move(key)).second;
        verdict.refusedData = EntryDataRefusal(info.flag, info.compression_method,
                                               info.uncompressed_size, ClassifyEntry(name)) !=
                                  nullptr ||
                              unzGetFilePos64(archive.get(), &verdict.position) != UNZ_OK;
        refusedNames.emplace_back(name, info.size_filename);
        verdicts.push_back(verdict);
        if (verdict.refusedName)
            break;
        status = unzGoToNextFile(archive.get());
    }
    archive.reset();
    ReadBackEntries(window, verdicts);
    for (size_t i = 0; i < verdicts.size(); ++i) {
        if (verdicts[i].refusedName) {
            refusedEntry = refusedNames[i];
            return SetupCheckResult::EntryRefused;
        }
        if (verdicts[i].refusedData || !verdicts[i].readsBack)
            return SetupCheckResult::ArchiveDamaged;
    }
    if (directoryDamaged || status != UNZ_END_OF_LIST_OF_FILE || verdicts.size() != expectedEntries)
        return SetupCheckResult::ArchiveDamaged;
    return SetupCheckResult::Sound;
}

} // namespace

bool IsUsableEntryName(const char* name)
{
    return IsSafeEntryName(name, kTypicalTempFolderLength) &&
           IsSafeEntryName(name, kSystemFolderLength);
}

SetupCheckResult CheckFinishedSetup(const char* setupPath, size_t expectedEntries,
                                    std::string& refusedEntry)
{
    ArchiveWindow window;
    if (!LocateArchive(setupPath, window))
        return SetupCheckResult::ContainerUnreadable;
    return CheckArchive(window, expectedEntries, refusedEntry);
}
