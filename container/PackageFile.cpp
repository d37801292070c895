#include "PackageFile.h"

#include "EntryRules.h"
#include "FileAccess.h"
#include "Handles.h"
#include "LittleEndian.h"
#include "PeHeaders.h"

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
// The headers are read up to this far past the PE signature: file and
// optional header and the section table of any program the builder makes.
constexpr size_t kPeHeadersRead = 4096;
constexpr unsigned kMaxSections = 96;

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
    unsigned char dos[kPeDosHeaderSize];
    size_t pe = 0;
    if (!file.ReadAt(0, dos, sizeof dos) || !ReadPeSignatureOffset(dos, sizeof dos, pe))
        return false;
    unsigned char bytes[kPeHeadersRead] = {};
    const int64_t available = file.length() - int64_t(pe);
    if (available < int64_t(kPeSignatureSize + kPeFileHeaderSize))
        return false;
    const size_t got = available < int64_t(sizeof bytes) ? size_t(available) : sizeof bytes;
    PeHeaders headers;
    if (!file.ReadAt(int64_t(pe), bytes, got) ||
        ReadPeHeadersAt(bytes, got, pe, headers) != PeHeadersResult::Sound ||
        headers.sections.empty() || headers.sections.size() > kMaxSections)
        return false;

    int64_t end = headers.headersSize;
    for (const PeSection& section : headers.sections) {
        if (section.rawSize && int64_t(section.rawOffset) + section.rawSize > end)
            end = int64_t(section.rawOffset) + section.rawSize;
    }
    // A file shorter than its own image is cut off; it carries nothing.
    if (end > file.length())
        return false;
    layout.imageEnd = end;
    if (headers.directories.size() > kPeSecurityDirectory) {
        const PeDirectory security = headers.Directory(kPeSecurityDirectory);
        layout.isSigned = security.address != 0 || security.size != 0;
        layout.certificates = security.address;
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

bool EndsWithMarker(const ReadOnlyFile& file)
{
    char tail[kContainerMarkerLength];
    return file.ok() && file.ReadAt(file.length() - kTrailerMarkerBack, tail, sizeof tail) &&
           memcmp(tail, markerText, kContainerMarkerLength) == 0;
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
    if (EndsWithMarker(file))
        return CheckContainerAt(file, layout, file.length(), place);
    return ScanBackwards(file, layout, place);
}

} // namespace

PackageFile::PackageFile()
{
    if (!OwnProgramPath(path_, sizeof path_))
        path_[0] = '\0';
}

PackageFile::PackageFile(const char* filePath)
{
    // A path that does not fit stands for no file at all, never a shorter one.
    JoinPath(path_, filePath, '\0', nullptr);
}

bool PackageFile::HasContainer() const
{
    return EndsWithMarker(ReadOnlyFile(path_));
}

AppendResult PackageFile::AppendContainer(const char* archivePath)
{
    if (!archivePath)
        return AppendDone;
    // Whatever this reads of the file, it reads before the first byte is written.
    ImageLayout layout;
    bool isSigned = false;
    {
        const ReadOnlyFile target(path_);
        if (EndsWithMarker(target))
            return AppendAlreadyHasContainer;
        isSigned = target.ok() && ReadImageLayout(target, layout) && layout.isSigned;
    }

    StdioFile out(fopen(path_, "ab"));
    if (!out)
        return AppendCannotOpenFile;
    const ReadOnlyFile archive(archivePath);
    if (!archive.ok())
        return AppendCannotOpenArchive;
    if (isSigned)
        return AppendSignedFile;

    const int64_t start = FileLength(out.get());
    const int64_t archiveLength = archive.length();
    if (start < 0)
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
    std::vector<char> copyBuffer(kCopyStep);
    char* buffer = copyBuffer.data();
    for (int64_t copied = 0; written && copied < archiveLength;) {
        const size_t count = archiveLength - copied < int64_t(kCopyStep)
                                 ? size_t(archiveLength - copied)
                                 : kCopyStep;
        written = archive.ReadAt(copied, buffer, count) &&
                  fwrite(buffer, 1, count, out.get()) == count;
        copied += int64_t(count);
    }
    written = written && WriteU32(out.get(), static_cast<uint32_t>(start)) &&
              fwrite(markerText, 1, kContainerMarkerLength, out.get()) ==
                  size_t(kContainerMarkerLength) &&
              fflush(out.get()) == 0;
    if (!written) {
        // A half-written container would look like a package to nobody and
        // hide the next append: cut the file back to what it was.
        CutFileBack(out.get(), start);
        return AppendCannotOpenFile;
    }
    return AppendDone;
}

int64_t PackageFile::FindMarker() const
{
    ContainerPlace place;
    return LocateContainer(ReadOnlyFile(path_), place) ? place.marker : -1;
}

ExtractResult PackageFile::ExtractContainer(const char* destFolder, char* outPath,
                                            size_t outPathSize) const
{
    const bool haveFolder = destFolder && *destFolder;
    if (haveFolder && !FolderExists(destFolder))
        return ExtractCannotCreateOutput;

    const ReadOnlyFile in(path_);
    if (!in.ok())
        return ExtractCannotOpenFile;
    ContainerPlace place;
    if (!LocateContainer(in, place))
        return ExtractNoContainer;
    if (place.archiveStart > in.length())
        return ExtractBadStart;

    // A folder of one character gets no separator, nor one that ends in it.
    const char* folder = destFolder ? destFolder : "";
    const size_t folderLength = strlen(folder);
    const bool addSeparator = folderLength >= 2 && folder[folderLength - 1] != kPathSeparator;
    char output[kMaxPath];
    if (!JoinPath(output, folder, addSeparator ? kPathSeparator : '\0', place.name))
        return ExtractCannotCreateOutput;

    // The caller learns the path even when the file cannot be created.
    if (outPath && outPathSize) {
        strncpy(outPath, output, outPathSize);
        outPath[outPathSize - 1] = '\0';
    }

    FILE* out = fopen(output, "wb");
    if (!out)
        return ExtractCannotCreateOutput;

    std::vector<char> copyBuffer(kCopyStep);
    char* buffer = copyBuffer.data();
    bool copied = true;
    for (int64_t at = place.archiveStart; copied && at < place.archiveEnd;) {
        const size_t piece = place.archiveEnd - at < int64_t(kCopyStep)
                                 ? size_t(place.archiveEnd - at)
                                 : kCopyStep;
        copied = in.ReadAt(at, buffer, piece) && fwrite(buffer, 1, piece, out) == piece;
        at += int64_t(piece);
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
