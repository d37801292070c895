#include "SetupCheck.h"

#include "EntryRules.h"
#include "PackageFile.h"

#include "OutputFiles.h"
#include "ZipHandles.h"

#include <unzip.h>
#ifdef _WIN32
// After unzip.h, which brings the declarations it builds on.
#include <iowin32.h>
#endif

#include <stdio.h>
#include <string.h>

#include <string>
#include <unordered_set>
#include <vector>

namespace {

// The setup unpacks into "<temporary folder>\Velumo-XXXXXXXX\". On a typical
// machine that is "C:\Users\<profile>\AppData\Local\Temp\" and the profile
// name may run to 32 characters; a name that fits there fits on most machines.
constexpr size_t kTypicalTempFolderLength = 9 + 32 + 20 + 16;
// Runtime libraries go to "C:\Windows\SysWOW64" on 64-bit Windows.
constexpr size_t kSystemFolderLength = 19;

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

SetupCheckResult CheckArchive(const char* archivePath, size_t expectedEntries,
                              std::string& refusedEntry)
{
    zlib_filefunc64_def files;
#ifdef _WIN32
    fill_win32_filefunc64A(&files);
#else
    fill_fopen64_filefunc(&files);
#endif
    ZipReader archive(unzOpen2_64(archivePath, &files));
    if (!archive)
        return SetupCheckResult::ArchiveDamaged;
    std::vector<char> buffer(256 * 1024);
    std::unordered_set<std::u16string> names;
    size_t entries = 0;
    int status = unzGoToFirstFile(archive.get());
    while (status == UNZ_OK) {
        char name[kMaxPath];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive.get(), &info, name, sizeof name, nullptr, 0, nullptr,
                                    0) != UNZ_OK ||
            info.size_filename >= sizeof name)
            return SetupCheckResult::ArchiveDamaged;
        name[info.size_filename] = '\0';
        const bool isPackage = ClassifyEntry(name) == EntryPackage;
        // The setup refuses a second ".msi" and two names that would be one
        // file: the MSI entry comes first and must be the only one, and a
        // skin named like a library would meet that library. A usable name
        // is text, so it has a key.
        std::u16string key;
        if (strlen(name) != info.size_filename || !IsUsableEntryName(name) ||
            isPackage != (entries == 0) || !EntryNameKey(name, key) ||
            !names.insert(std::move(key)).second) {
            refusedEntry.assign(name, info.size_filename);
            return SetupCheckResult::EntryRefused;
        }
        if (EntryDataRefusal(info.flag, info.compression_method, info.uncompressed_size,
                             ClassifyEntry(name)) ||
            !EntryReadsBack(archive.get(), buffer))
            return SetupCheckResult::ArchiveDamaged;
        ++entries;
        status = unzGoToNextFile(archive.get());
    }
    if (status != UNZ_END_OF_LIST_OF_FILE || entries != expectedEntries)
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
    ScratchFolder scratch;
    if (scratch.path().empty())
        return SetupCheckResult::ContainerUnreadable;
    char archivePath[kMaxPath] = "";
    PackageFile setup(setupPath);
    const int extracted = setup.ExtractContainer(scratch.path().c_str(), archivePath,
                                                 sizeof archivePath);
    if (archivePath[0])
        scratch.RemoveLater(archivePath);
    if (extracted != ExtractDone)
        return SetupCheckResult::ContainerUnreadable;
    return CheckArchive(archivePath, expectedEntries, refusedEntry);
}
