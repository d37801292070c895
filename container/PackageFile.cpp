#include "PackageFile.h"

#include "EntryRules.h"
#include "FileAccess.h"
#include "Handles.h"
#include "LittleEndian.h"

#include <stdio.h>
#include <string.h>

#include <vector>

// Kept as one contiguous array in .rdata. Comparisons go through a volatile
// pointer so the compiler cannot fold the text into immediate compares.
extern const char kContainerMarker[8] __attribute__((used)) = "!faSig!";

namespace {

const char* volatile markerText = kContainerMarker;

// The archive is copied in and out in steps of this size: small steps cost a
// system call each, which under Wine is most of the copy's time.
constexpr size_t kCopyStep = 256 * 1024;
// The backward search for a trailer among appended data reads this much at once.
constexpr size_t kScanStep = 64 * 1024;
// PE header fields this reader needs.
constexpr int64_t kDosHeaderSize = 64;
constexpr int64_t kPeOffsetField = 0x3C;
constexpr size_t kPeHeadersRead = 4096;  // signature, file and optional header, sections
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr unsigned kMaxSections = 96;
constexpr unsigned kSecurityDirectory = 4;

bool WriteU32(FILE* file, uint32_t value)
{
    unsigned char bytes[4];
    WriteLittle32(bytes, value);
    return fwrite(bytes, 1, 4, file) == 4;
}

// What the program's own headers say about where appended data may begin.
struct ImageLayout {
    int64_t imageEnd = 0;       // end of the last section's raw data, or of the headers
    bool isSigned = false;
    int64_t certificates = 0;   // start of the certificate table in a signed file
};

bool ReadImageLayout(const ReadOnlyFile& file, ImageLayout& layout)
{
    unsigned char dos[kDosHeaderSize];
    if (!file.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const int64_t pe = ReadLittle32(dos + kPeOffsetField);
    unsigned char headers[kPeHeadersRead] = {};
    const int64_t available = file.length() - pe;
    if (available < int64_t(4 + kFileHeaderSize))
        return false;
    const size_t got = available < int64_t(sizeof headers) ? size_t(available) : sizeof headers;
    if (!file.ReadAt(pe, headers, got) || memcmp(headers, "PE\0\0", 4) != 0)
        return false;

    const unsigned char* fileHeader = headers + 4;
    const unsigned sections = ReadLittle16(fileHeader + 2);
    const size_t optionalSize = ReadLittle16(fileHeader + 16);
    const size_t optional = 4 + kFileHeaderSize;
    const size_t sectionTable = optional + optionalSize;
    if (sections == 0 || sections > kMaxSections ||
        sectionTable + sections * kSectionHeaderSize > got || optionalSize < 64)
        return false;

    // PE32 and PE32+ differ in where the data directories begin.
    const unsigned char* opt = headers + optional;
    size_t directories = 0;
    size_t countField = 0;
    switch (ReadLittle16(opt)) {
    case 0x10B: countField = 92; directories = 96; break;
    case 0x20B: countField = 108; directories = 112; break;
    default: return false;
    }
    if (countField + 4 > optionalSize)
        return false;
    int64_t end = ReadLittle32(opt + 60);  // SizeOfHeaders
    for (unsigned i = 0; i < sections; ++i) {
        const unsigned char* section = headers + sectionTable + i * kSectionHeaderSize;
        const int64_t rawSize = ReadLittle32(section + 16);
        const int64_t rawStart = ReadLittle32(section + 20);
        if (rawSize && rawStart + rawSize > end)
            end = rawStart + rawSize;
    }
    // A file shorter than its own image is cut off; it carries nothing.
    if (end > file.length())
        return false;
    layout.imageEnd = end;

    const size_t security = directories + kSecurityDirectory * 8;
    if (ReadLittle32(opt + countField) > kSecurityDirectory && security + 8 <= optionalSize) {
        const uint32_t start = ReadLittle32(opt + security);
        const uint32_t size = ReadLittle32(opt + security + 4);
        layout.isSigned = start != 0 || size != 0;
        layout.certificates = start;
    }
    return true;
}

// The archive's own name, never a way out of the destination folder and
// never a device.
// Where one container's parts lie, once its trailer and name record check out.
struct ContainerPlace {
    int64_t marker = -1;
    int64_t archiveStart = 0;
    int64_t archiveEnd = 0;
    char name[kMaxPath] = {};
};

// Checks the trailer that ends at `trailerEnd`: the marker, a start offset at
// or after the image and before the trailer, and a name record that fits
// between them.
bool CheckContainerAt(const ReadOnlyFile& file, const ImageLayout& layout, int64_t trailerEnd,
                      ContainerPlace& place)
{
    const int64_t trailer = trailerEnd - kTrailerStartOffsetBack;
    unsigned char tail[kContainerTrailerLength];
    if (trailer < layout.imageEnd || !file.ReadAt(trailer, tail, sizeof tail) ||
        memcmp(tail + kContainerStartOffsetSize, markerText, kContainerMarkerLength) != 0)
        return false;
    const int64_t start = ReadLittle32(tail);
    if (start < layout.imageEnd || start + kContainerNameLengthSize > trailer)
        return false;
    unsigned char lengthBytes[kContainerNameLengthSize];
    if (!file.ReadAt(start, lengthBytes, sizeof lengthBytes))
        return false;
    const uint32_t nameLength = ReadLittle32(lengthBytes);
    const int64_t archiveStart = start + kContainerNameLengthSize + int64_t(nameLength);
    if (nameLength >= kMaxPath || archiveStart > trailer)
        return false;
    char name[kMaxPath] = {};
    if (!file.ReadAt(start + kContainerNameLengthSize, name, nameLength))
        return false;
    if (strlen(name) != nameLength || !IsSafeEntryName(name, 0))
        return false;
    place.marker = trailerEnd - kTrailerMarkerBack;
    place.archiveStart = archiveStart;
    place.archiveEnd = trailer;
    memcpy(place.name, name, sizeof name);
    return true;
}

// The trailer of a signed program ends where its certificate table begins,
// give or take the alignment bytes.
bool LocateBeforeCertificates(const ReadOnlyFile& file, const ImageLayout& layout,
                              ContainerPlace& place)
{
    const int64_t table = layout.certificates;
    constexpr int kLook = kContainerMarkerLength + kCertificateTableAlignment - 1;
    if (table > file.length() || table - kLook < layout.imageEnd)
        return false;
    unsigned char before[kLook];
    if (!file.ReadAt(table - kLook, before, sizeof before))
        return false;
    int padding = 0;
    while (padding < kCertificateTableAlignment - 1 && before[kLook - 1 - padding] == 0)
        ++padding;
    return CheckContainerAt(file, layout, table - padding, place);
}

// Data appended after the trailer: the last marker that belongs to a sound
// container wins, so a marker among that data or inside the archive is
// passed over.
bool ScanBackwards(const ReadOnlyFile& file, const ImageLayout& layout, ContainerPlace& place)
{
    constexpr size_t kCarry = kContainerMarkerLength - 1;
    // The first bytes of the block read before, following the new block, so
    // that a marker across two blocks is seen.
    char window[kScanStep + kCarry];
    size_t carried = 0;
    const int64_t lowest = layout.imageEnd;
    int64_t end = file.length();
    while (end > lowest) {
        const int64_t begin = end - lowest > int64_t(kScanStep) ? end - int64_t(kScanStep) : lowest;
        const size_t count = size_t(end - begin);
        memmove(window + count, window, carried);
        if (!file.ReadAt(begin, window, count))
            return false;
        const size_t available = count + carried;
        for (size_t i = count; i-- > 0;) {
            if (i + kContainerMarkerLength <= available && window[i] == markerText[0] &&
                !memcmp(window + i, markerText, kContainerMarkerLength) &&
                CheckContainerAt(file, layout, begin + int64_t(i) + kContainerMarkerLength,
                                 place))
                return true;
        }
        carried = available < kCarry ? available : kCarry;
        end = begin;
    }
    return false;
}

// A handful of reads for every setup the builder makes; the scan only for
// unsigned setups that someone appended data to.
bool LocateContainer(const ReadOnlyFile& file, ContainerPlace& place)
{
    ImageLayout layout;
    if (!file.ok() || !ReadImageLayout(file, layout))
        return false;
    if (layout.isSigned)
        return LocateBeforeCertificates(file, layout, place);
    char tail[kContainerMarkerLength];
    if (file.ReadAt(file.length() - kTrailerMarkerBack, tail, sizeof tail) &&
        !memcmp(tail, markerText, kContainerMarkerLength))
        return CheckContainerAt(file, layout, file.length(), place);
    return ScanBackwards(file, layout, place);
}

} // namespace

PackageFile::PackageFile()
{
    if (!OwnProgramPath(path, sizeof path))
        path[0] = '\0';
}

PackageFile::PackageFile(const char* filePath)
{
    path[0] = '\0';
    if (filePath && strlen(filePath) < sizeof path)
        strcpy(path, filePath);
}

bool PackageFile::HasContainer()
{
    ReadOnlyFile file(path);
    char tail[kContainerMarkerLength];
    return file.ok() && file.ReadAt(file.length() - kTrailerMarkerBack, tail, sizeof tail) &&
           memcmp(tail, markerText, kContainerMarkerLength) == 0;
}

AppendResult PackageFile::AppendContainer(const char* archivePath)
{
    if (!archivePath)
        return AppendDone;
    if (HasContainer())
        return AppendAlreadyHasContainer;

    StdioFile out(fopen(path, "ab"));
    if (!out)
        return AppendCannotOpenFile;
    StdioFile archive(fopen(archivePath, "rb"));
    if (!archive)
        return AppendCannotOpenArchive;

    {
        ReadOnlyFile target(path);
        ImageLayout layout;
        if (target.ok() && ReadImageLayout(target, layout) && layout.isSigned)
            return AppendSignedFile;
    }

    const int64_t start = FileLength(out.get());
    const int64_t archiveLength = FileLength(archive.get());
    if (start < 0 || archiveLength < 0)
        return AppendCannotOpenFile;

    const char* name = archivePath;
    for (const char* p = archivePath; *p; ++p) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    const uint32_t nameLength = static_cast<uint32_t>(strlen(name));
    const uint64_t overhead = kContainerNameLengthSize + nameLength + kContainerTrailerLength;
    if (uint64_t(start) + overhead + uint64_t(archiveLength) > kMaxSetupSize)
        return AppendTooLarge;

    bool written = WriteU32(out.get(), nameLength) &&
                   fwrite(name, 1, nameLength, out.get()) == nameLength;
    bool tooLarge = false;
    uint64_t copied = 0;
    std::vector<char> copyBuffer(kCopyStep);
    char* buffer = copyBuffer.data();
    while (written && !feof(archive.get())) {
        size_t count = fread(buffer, 1, kCopyStep, archive.get());
        copied += count;
        if (ferror(archive.get()))
            written = false;
        else if (uint64_t(start) + overhead + copied > kMaxSetupSize)
            tooLarge = true;  // the archive grew since its length was taken
        else if (count && fwrite(buffer, 1, count, out.get()) != count)
            written = false;
        written = written && !tooLarge;
    }
    written = written && WriteU32(out.get(), static_cast<uint32_t>(start)) &&
              fwrite(markerText, 1, kContainerMarkerLength, out.get()) ==
                  size_t(kContainerMarkerLength) &&
              fflush(out.get()) == 0;
    if (!written) {
        // A half-written container would look like a package to nobody and
        // hide the next append: cut the file back to what it was.
        CutFileBack(out.get(), start);
        return tooLarge ? AppendTooLarge : AppendCannotOpenFile;
    }
    return AppendDone;
}

int64_t PackageFile::FindMarker()
{
    ReadOnlyFile file(path);
    ContainerPlace place;
    return LocateContainer(file, place) ? place.marker : -1;
}

ExtractResult PackageFile::ExtractContainer(const char* destFolder, char* outPath,
                                            size_t outPathSize)
{
    const bool haveFolder = destFolder && *destFolder;
    if (haveFolder && !FolderExists(destFolder))
        return ExtractCannotCreateOutput;

    StdioFile in(fopen(path, "rb"));
    if (!in)
        return ExtractCannotOpenFile;

    ContainerPlace place;
    {
        ReadOnlyFile file(path);
        if (!LocateContainer(file, place))
            return ExtractNoContainer;
    }
    if (!SeekFile(in.get(), place.archiveStart))
        return ExtractBadStart;

    const char* folder = destFolder ? destFolder : "";
    const size_t folderLength = strlen(folder);
    const size_t nameLength = strlen(place.name);
    const bool addSeparator = folderLength >= 2 && folder[folderLength - 1] != kPathSeparator;
    const size_t outLength = folderLength + (addSeparator ? 1 : 0) + nameLength;
    if (outLength >= kMaxPath)
        return ExtractCannotCreateOutput;
    char output[kMaxPath];
    memcpy(output, folder, folderLength);
    size_t used = folderLength;
    if (addSeparator)
        output[used++] = kPathSeparator;
    memcpy(output + used, place.name, nameLength + 1);

    // The caller learns the path even when the file cannot be created.
    if (outPath && outPathSize) {
        strncpy(outPath, output, outPathSize);
        outPath[outPathSize - 1] = '\0';
    }

    FILE* out = fopen(output, "wb");
    if (!out)
        return ExtractCannotCreateOutput;

    int64_t remaining = place.archiveEnd - place.archiveStart;
    std::vector<char> copyBuffer(kCopyStep);
    char* buffer = copyBuffer.data();
    bool copied = true;
    while (remaining > 0) {
        size_t piece = remaining < int64_t(kCopyStep) ? size_t(remaining) : kCopyStep;
        if (fread(buffer, 1, piece, in.get()) != piece || fwrite(buffer, 1, piece, out) != piece) {
            copied = false;
            break;
        }
        remaining -= int64_t(piece);
    }
    if (fclose(out) != 0)
        copied = false;
    if (!copied) {
        // Never leave a truncated archive behind under the archive's name.
        remove(output);
        return ExtractCannotCreateOutput;
    }
    return ExtractDone;
}
