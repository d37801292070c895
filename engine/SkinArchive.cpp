#include "SkinArchive.h"

#include "SkinNames.h"
#include "ZipHandles.h"

#include <memory>

namespace {

// A skin is a text and a few small images; anything larger is not a skin.
constexpr unsigned long kMaxEntries = 256;
constexpr unsigned long kMaxEntryBytes = 16u * 1024u * 1024u;
constexpr unsigned long long kMaxTotalBytes = 64ull * 1024u * 1024u;
// The longest entry name read, as the engine's MAX_PATH buffer held it.
constexpr size_t kNameBuffer = 260;

bool ReadCurrent(unzFile archive, unsigned long size, std::string& bytes, std::string& error,
                 const std::string& name)
{
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        error = "cannot open entry " + name;
        return false;
    }
    bytes.assign(size, '\0');
    int read = size ? unzReadCurrentFile(archive, &bytes[0], static_cast<unsigned>(size)) : 0;
    char extra = 0;
    // One more byte must not exist: the entry's data matches its stated size.
    const int beyond = unzReadCurrentFile(archive, &extra, 1);
    const int closed = unzCloseCurrentFile(archive);
    if (read != static_cast<int>(size) || beyond != 0 || closed != UNZ_OK) {
        error = "entry " + name + " is damaged";
        return false;
    }
    return true;
}

// minizip finds the end-of-directory record by searching backwards and
// tolerates a file cut inside that record; a skin must end exactly with it.
bool EndsWithEndRecord(const zlib_filefunc64_def& io, const SkinPathChar* path,
                       unsigned long long fileSize, unsigned long commentSize)
{
    constexpr unsigned long long kEndRecord = 22;
    if (fileSize < kEndRecord + commentSize)
        return false;
    voidpf file = io.zopen64_file(io.opaque, path,
                                  ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (!file)
        return false;
    unsigned char record[kEndRecord] = {};
    const bool ok = io.zseek64_file(io.opaque, file, fileSize - kEndRecord - commentSize,
                                    ZLIB_FILEFUNC_SEEK_SET) == 0 &&
                    io.zread_file(io.opaque, file, record, sizeof record) == sizeof record;
    io.zclose_file(io.opaque, file);
    return ok && record[0] == 'P' && record[1] == 'K' && record[2] == 5 && record[3] == 6 &&
           (record[20] | (record[21] << 8)) == static_cast<int>(commentSize);
}

// A file the skin core could not even look into.
bool Unreadable(SkinFaults& faults, const std::string& message)
{
    SkinFault fault;
    fault.kind = SkinFaultKind::Unreadable;
    fault.message = message;
    faults.Add(fault);
    return false;
}

bool Refused(SkinFaults& faults, const std::string& message)
{
    faults.Add(0, std::string(), message);
    return false;
}

} // namespace

bool ReadSkinArchive(const SkinPathChar* path, SkinArchiveEntries& entries, SkinFaults& faults)
{
    entries.clear();
    uint64_t fileSize = 0;
    switch (StatSkinFile(path, fileSize)) {
    case SkinFileKind::Missing:
        return Unreadable(faults, "skin file not found");
    case SkinFileKind::Folder:
        return Unreadable(faults, "skin path is a folder");
    case SkinFileKind::File:
        break;
    }
    if (fileSize == 0)
        return Refused(faults, "skin file is empty");

    zlib_filefunc64_def io;
    FillSkinFileFunctions(io);
    // A file that cannot be opened at all is no verdict on its contents.
    voidpf probe = io.zopen64_file(io.opaque, path,
                                   ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (!probe)
        return Unreadable(faults, "skin file cannot be read");
    io.zclose_file(io.opaque, probe);
    ZipReader archive(unzOpen2_64(path, &io));
    if (!archive)
        return Refused(faults, "skin file is not a readable archive");
    unz_global_info64 global = {};
    if (unzGetGlobalInfo64(archive.get(), &global) != UNZ_OK || global.number_entry == 0 ||
        global.number_entry > kMaxEntries)
        return Refused(faults, "skin archive has no usable directory");
    if (!EndsWithEndRecord(io, path, fileSize, global.size_comment))
        return Refused(faults, "skin archive is truncated");
    unsigned long long total = 0;
    int status = unzGoToFirstFile(archive.get());
    while (status == UNZ_OK) {
        unz_file_info64 info = {};
        char name[kNameBuffer] = {};
        if (unzGetCurrentFileInfo64(archive.get(), &info, name, sizeof name - 1, nullptr, 0,
                                    nullptr, 0) != UNZ_OK)
            return Refused(faults, "skin archive directory is damaged");
        const std::string key = EntryKey(name);
        if (!key.empty() && key.back() != '/') {
            total += info.uncompressed_size;
            if (info.uncompressed_size > kMaxEntryBytes || total > kMaxTotalBytes)
                return Refused(faults, "entry " + key + " is too large for a skin");
            if (entries.count(key))
                return Refused(faults, "entry " + key + " appears twice");
            std::string bytes;
            std::string error;
            if (!ReadCurrent(archive.get(), static_cast<unsigned long>(info.uncompressed_size),
                             bytes, error, key))
                return Refused(faults, error);
            entries.emplace(key, std::move(bytes));
        }
        status = unzGoToNextFile(archive.get());
    }
    if (status != UNZ_END_OF_LIST_OF_FILE)
        return Refused(faults, "skin archive directory is damaged");
    return true;
}
