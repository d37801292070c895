#include "PackageFile.h"

#include <fcntl.h>
#include <io.h>
#include <shlwapi.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

// Kept as one contiguous array in .rdata. Comparisons go through a volatile
// pointer so the compiler cannot fold the text into immediate compares and
// drop the copy that FindMarker passes over.
extern const char kContainerMarker[8] __attribute__((used)) = "!faSig!";

namespace {

const char* volatile markerText = kContainerMarker;

constexpr size_t kCopyStep = 1024;

struct FileCloser {
    FILE* file;
    ~FileCloser() { if (file) fclose(file); }
};

bool ReadU32(FILE* file, uint32_t& value)
{
    unsigned char bytes[4];
    if (fread(bytes, 1, 4, file) != 4)
        return false;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24);
    return true;
}

bool WriteU32(FILE* file, uint32_t value)
{
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return fwrite(bytes, 1, 4, file) == 4;
}

// A name record that could leave the destination folder is damage, not a name.
bool IsPlainFileName(const char* name)
{
    if (!*name || !strcmp(name, ".") || !strcmp(name, ".."))
        return false;
    return !strpbrk(name, "\\/:");
}

const char* FindBytes(const char* data, size_t size, const char* needle, size_t needleSize)
{
    if (size < needleSize)
        return nullptr;
    for (size_t i = 0; i + needleSize <= size; ++i) {
        if (data[i] == needle[0] && !memcmp(data + i, needle, needleSize))
            return data + i;
    }
    return nullptr;
}

} // namespace

PackageFile::PackageFile()
{
    path[0] = '\0';
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        path[0] = '\0';
}

PackageFile::PackageFile(const char* filePath)
{
    path[0] = '\0';
    if (filePath)
        lstrcpynA(path, filePath, MAX_PATH);
}

bool PackageFile::HasContainer()
{
    FileCloser in{fopen(path, "rb")};
    if (!in.file)
        return false;
    if (fseek(in.file, -kContainerMarkerLength, SEEK_END) != 0)
        return false;
    char tail[8] = {};
    if (fread(tail, 1, kContainerMarkerLength, in.file) != size_t(kContainerMarkerLength))
        return false;
    return memcmp(tail, markerText, 8) == 0;
}

int PackageFile::AppendContainer(const char* archivePath)
{
    if (!archivePath)
        return AppendDone;
    if (HasContainer())
        return AppendAlreadyHasContainer;

    FileCloser out{fopen(path, "ab")};
    if (!out.file)
        return AppendCannotOpenFile;
    FileCloser archive{fopen(archivePath, "rb")};
    if (!archive.file)
        return AppendCannotOpenArchive;

    fseek(out.file, 0, SEEK_END);
    const long start = ftell(out.file);
    if (start < 0)
        return AppendCannotOpenFile;

    const char* name = archivePath;
    for (const char* p = archivePath; *p; ++p) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    const uint32_t nameLength = static_cast<uint32_t>(strlen(name));

    bool written = WriteU32(out.file, nameLength) &&
                   fwrite(name, 1, nameLength, out.file) == nameLength;
    char buffer[kCopyStep];
    while (written && !feof(archive.file)) {
        size_t count = fread(buffer, 1, sizeof buffer, archive.file);
        if (ferror(archive.file))
            written = false;
        else if (count && fwrite(buffer, 1, count, out.file) != count)
            written = false;
    }
    written = written && WriteU32(out.file, static_cast<uint32_t>(start)) &&
              fwrite(markerText, 1, kContainerMarkerLength, out.file) ==
                  size_t(kContainerMarkerLength) &&
              fflush(out.file) == 0;
    if (!written) {
        // A half-written container would look like a package to nobody and
        // hide the next append: cut the file back to what it was.
        fflush(out.file);
        _chsize(_fileno(out.file), start);
        return AppendCannotOpenFile;
    }
    return AppendDone;
}

long PackageFile::FindMarker()
{
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd < 0)
        return -1;
    const long length = _lseek(fd, 0, SEEK_END);
    _lseek(fd, 0, SEEK_SET);

    // The window holds the last bytes of the previous step ahead of the new
    // ones, so a marker split across two reads is still found, and found once.
    constexpr size_t kCarry = kContainerMarkerLength - 1;
    char window[kCarry + 2 * kCopyStep];
    size_t carried = 0;
    long position = 0;
    long result = -1;
    bool ownCopySeen = false;
    while (position < length) {
        long step = kCopyStep;
        if (length - position < long(2 * kCopyStep))
            step = length - position;
        int count = _read(fd, window + carried, static_cast<unsigned>(step));
        if (count <= 0)
            break;
        const size_t available = carried + count;
        const char* hit = FindBytes(window, available, markerText, kContainerMarkerLength);
        if (hit) {
            if (ownCopySeen)
                result = position - long(carried) + long(hit - window);
            ownCopySeen = true;
        }
        position += count;
        carried = available < kCarry ? available : kCarry;
        memmove(window, window + available - carried, carried);
    }
    _close(fd);
    return result;
}

int PackageFile::ExtractContainer(const char* destFolder, char* outPath, size_t outPathSize)
{
    const bool haveFolder = destFolder && *destFolder;
    if (haveFolder && !PathFileExistsA(destFolder))
        return ExtractCannotCreateOutput;

    FileCloser in{fopen(path, "rb")};
    if (!in.file)
        return ExtractCannotOpenFile;

    const long marker = FindMarker();
    if (marker < 0)
        return ExtractNoContainer;
    if (fseek(in.file, marker, SEEK_SET) != 0 || fseek(in.file, -4, SEEK_CUR) != 0)
        return ExtractNoContainer;
    const long archiveEnd = ftell(in.file);

    uint32_t start = 0;
    char tail[8] = {};
    if (!ReadU32(in.file, start) ||
        fread(tail, 1, kContainerMarkerLength, in.file) != size_t(kContainerMarkerLength) ||
        strcmp(tail, markerText) != 0)
        return ExtractNoContainer;
    // The name record must fit between the start and the trailer.
    if (start > uint32_t(LONG_MAX) || long(start) + 4 > archiveEnd)
        return ExtractNoContainer;

    if (fseek(in.file, long(start), SEEK_SET) != 0)
        return ExtractBadStart;
    uint32_t nameLength = 0;
    if (!ReadU32(in.file, nameLength) || nameLength >= MAX_PATH ||
        long(start) + 4 + long(nameLength) > archiveEnd)
        return ExtractNoContainer;
    char name[MAX_PATH];
    if (fread(name, 1, nameLength, in.file) != nameLength)
        return ExtractNoContainer;
    name[nameLength] = '\0';
    if (strlen(name) != nameLength || !IsPlainFileName(name))
        return ExtractNoContainer;

    const char* folder = destFolder ? destFolder : "";
    const size_t folderLength = strlen(folder);
    const bool addSeparator = folderLength >= 2 && folder[folderLength - 1] != '\\';
    const size_t outLength = folderLength + (addSeparator ? 1 : 0) + nameLength;
    if (outLength >= MAX_PATH)
        return ExtractCannotCreateOutput;
    char output[MAX_PATH];
    memcpy(output, folder, folderLength);
    size_t used = folderLength;
    if (addSeparator)
        output[used++] = '\\';
    memcpy(output + used, name, nameLength + 1);

    // The caller learns the path even when the file cannot be created.
    if (outPath && outPathSize) {
        strncpy(outPath, output, outPathSize);
        outPath[outPathSize - 1] = '\0';
    }

    FILE* out = fopen(output, "wb");
    if (!out)
        return ExtractCannotCreateOutput;

    long remaining = archiveEnd - long(start) - 4 - long(nameLength);
    char buffer[kCopyStep];
    bool copied = true;
    while (remaining > 0) {
        size_t piece = remaining < long(kCopyStep) ? size_t(remaining) : kCopyStep;
        if (fread(buffer, 1, piece, in.file) != piece || fwrite(buffer, 1, piece, out) != piece) {
            copied = false;
            break;
        }
        remaining -= long(piece);
    }
    if (fclose(out) != 0)
        copied = false;
    if (!copied) {
        // Never leave a truncated archive behind under the archive's name.
        DeleteFileA(output);
        return ExtractCannotCreateOutput;
    }
    return ExtractDone;
}
