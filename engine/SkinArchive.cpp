#include "SkinArchive.h"

#include "ZipHandles.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <memory>

// unzip.h first: it brings in zlib.h, which iowin32.h needs.
#include <unzip.h>

#include <iowin32.h>

namespace {

// A skin is a text and a few small images; anything larger is not a skin.
constexpr unsigned long kMaxEntries = 256;
constexpr unsigned long kMaxEntryBytes = 16u * 1024u * 1024u;
constexpr unsigned long long kMaxTotalBytes = 64ull * 1024u * 1024u;

std::string Lower(std::string text)
{
    std::replace(text.begin(), text.end(), '\\', '/');
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

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
bool EndsWithEndRecord(const wchar_t* path, unsigned long long fileSize, unsigned long commentSize)
{
    constexpr unsigned long long kEndRecord = 22;
    if (fileSize < kEndRecord + commentSize)
        return false;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(fileSize - kEndRecord - commentSize);
    unsigned char record[kEndRecord] = {};
    DWORD read = 0;
    const bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
                    ReadFile(file, record, sizeof record, &read, nullptr) && read == sizeof record;
    CloseHandle(file);
    return ok && record[0] == 'P' && record[1] == 'K' && record[2] == 5 && record[3] == 6 &&
           (record[20] | (record[21] << 8)) == static_cast<int>(commentSize);
}

} // namespace

bool ReadSkinArchive(const wchar_t* path, SkinArchiveEntries& entries, std::string& error)
{
    entries.clear();
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!path || !*path || !GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
        error = "skin file not found";
        return false;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = "skin path is a folder";
        return false;
    }
    if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0) {
        error = "skin file is empty";
        return false;
    }

    zlib_filefunc64_def io;
    fill_win32_filefunc64W(&io);
    ZipReader archive(unzOpen2_64(path, &io));
    if (!archive) {
        error = "skin file is not a readable archive";
        return false;
    }
    unz_global_info64 global = {};
    if (unzGetGlobalInfo64(archive.get(), &global) != UNZ_OK || global.number_entry == 0 ||
        global.number_entry > kMaxEntries) {
        error = "skin archive has no usable directory";
        return false;
    }
    const unsigned long long fileSize =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (!EndsWithEndRecord(path, fileSize, global.size_comment)) {
        error = "skin archive is truncated";
        return false;
    }
    unsigned long long total = 0;
    int status = unzGoToFirstFile(archive.get());
    while (status == UNZ_OK) {
        unz_file_info64 info = {};
        char name[MAX_PATH] = {};
        if (unzGetCurrentFileInfo64(archive.get(), &info, name, sizeof name - 1, nullptr, 0,
                                    nullptr, 0) != UNZ_OK) {
            error = "skin archive directory is damaged";
            return false;
        }
        const std::string key = Lower(name);
        if (!key.empty() && key.back() != '/') {
            total += info.uncompressed_size;
            if (info.uncompressed_size > kMaxEntryBytes || total > kMaxTotalBytes) {
                error = "entry " + key + " is too large for a skin";
                return false;
            }
            if (entries.count(key)) {
                error = "entry " + key + " appears twice";
                return false;
            }
            std::string bytes;
            if (!ReadCurrent(archive.get(), static_cast<unsigned long>(info.uncompressed_size),
                             bytes, error, key))
                return false;
            entries.emplace(key, std::move(bytes));
        }
        status = unzGoToNextFile(archive.get());
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        error = "skin archive directory is damaged";
        return false;
    }
    return true;
}
