#include "ArchiveLayout.h"

#include "LittleEndian.h"

#include <string.h>

#include <algorithm>

namespace {

constexpr size_t kEndRecordSize = 22;
constexpr size_t kLocatorSize = 20;
// The longest archive comment, and so how far back from the end a record is looked for.
constexpr uint64_t kSearchBack = 0xFFFF;

// The last place of the signature in the final kSearchBack bytes, as the unzip
// code looks: never the very first byte of that stretch. 0 when not found.
uint64_t FindLastSignature(const ReadOnlyFile& file, const char* signature)
{
    const uint64_t size = uint64_t(file.length());
    const uint64_t back = std::min(kSearchBack, size);
    if (back < 5)
        return 0;
    std::vector<char> tail(size_t(back), '\0');
    if (!file.ReadAt(int64_t(size - back), tail.data(), tail.size()))
        return 0;
    for (size_t i = tail.size() - 4; i >= 1; --i) {
        if (!memcmp(tail.data() + i, signature, 4))
            return size - back + i;
    }
    return 0;
}

// Whether the unzip code would take a 64-bit end record: a locator for disk
// 0 of 1 that points at a record with its signature.
bool HasZip64EndRecord(const ReadOnlyFile& file)
{
    const uint64_t locator = FindLastSignature(file, "PK\x06\x07");
    unsigned char bytes[kLocatorSize];
    if (!locator || !file.ReadAt(int64_t(locator), bytes, sizeof bytes))
        return false;
    const uint64_t record =
        uint64_t(ReadLittle32(bytes + 8)) | uint64_t(ReadLittle32(bytes + 12)) << 32;
    unsigned char signature[4];
    return ReadLittle32(bytes + 4) == 0 && ReadLittle32(bytes + 16) == 1 &&
           record < uint64_t(INT64_MAX) && file.ReadAt(int64_t(record), signature, 4) &&
           !memcmp(signature, "PK\x06\x06", 4);
}

} // namespace

bool ReadArchiveLayout(const ReadOnlyFile& file, ArchiveLayout& layout)
{
    if (!file.ok() || HasZip64EndRecord(file))
        return false;
    const uint64_t end = FindLastSignature(file, "PK\x05\x06");
    unsigned char record[kEndRecordSize];
    if (!end || !file.ReadAt(int64_t(end), record, sizeof record))
        return false;
    const uint64_t size = ReadLittle32(record + 12);
    const uint64_t offset = ReadLittle32(record + 16);
    if (end < offset + size)
        return false;
    layout.start = end - (offset + size);
    layout.directory = layout.start + offset;
    return true;
}

const char* ExtentRefusal(std::vector<EntryExtent>& extents, const ArchiveLayout& layout,
                          size_t& first, size_t& second)
{
    for (const EntryExtent& extent : extents) {
        first = second = extent.entry;
        if (extent.begin < layout.start || extent.end < extent.begin ||
            extent.end > layout.directory)
            return "its local record or data lies outside the archive";
    }
    // Sorted by where they begin, disjoint extents each end before the next
    // begins; any overlap shows between neighbours.
    std::sort(extents.begin(), extents.end(), [](const EntryExtent& a, const EntryExtent& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.entry < b.entry;
    });
    for (size_t i = 1; i < extents.size(); ++i) {
        if (extents[i].begin < extents[i - 1].end) {
            first = extents[i - 1].entry;
            second = extents[i].entry;
            return "its local record or data overlaps that of";
        }
    }
    return nullptr;
}
