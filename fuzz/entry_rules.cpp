// The rules the stub applies to every entry before it writes a byte: names
// (kind, safety in its folders, sameness, keys), the data it refuses, and
// where entries may lie in the archive. Names come from the input as text
// of any bytes; the extents as numbers.
#include "ArchiveLayout.h"
#include "EntryRules.h"
#include "FuzzFiles.h"
#include "PackageFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string.h>

#include <algorithm>

namespace {

void CheckName(const std::string& stored, size_t folderLength)
{
    const char* name = stored.c_str();
    ClassifyEntry(name);
    const bool safe = IsSafeEntryName(name, folderLength);
    std::u16string key;
    const bool hasKey = EntryNameKey(name, key);
    if (safe) {
        // The stub takes a safe name's key without asking again, joins it to
        // its folder within MAX_PATH, and opens nothing but that file.
        FUZZ_ASSERT(hasKey && !key.empty());
        FUZZ_ASSERT(folderLength + 1 + strlen(name) < kMaxPath);
        FUZZ_ASSERT(!IsDeviceName(name));
        FUZZ_ASSERT(!strpbrk(name, "\\/:*?\"<>|") && strcmp(name, ".") && strcmp(name, ".."));
        FUZZ_ASSERT(SameEntryName(name, name));
        // A name that fits a longer folder fits every shorter one.
        FUZZ_ASSERT(folderLength == 0 || IsSafeEntryName(name, folderLength - 1));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const size_t folderLength = input.ConsumeIntegralInRange<size_t>(0, kMaxPath + 8);
    const std::string first = input.ConsumeRandomLengthString(kMaxPath + 8);
    const std::string second = input.ConsumeRandomLengthString(kMaxPath + 8);
    CheckName(first, folderLength);
    CheckName(second, folderLength);
    // Two names are one file exactly when their keys are equal.
    std::u16string firstKey, secondKey;
    if (EntryNameKey(first.c_str(), firstKey) && EntryNameKey(second.c_str(), secondKey))
        FUZZ_ASSERT(SameEntryName(first.c_str(), second.c_str()) == (firstKey == secondKey));

    const unsigned long flag = input.ConsumeIntegral<uint16_t>();
    const unsigned long method = input.ConsumeIntegral<uint16_t>();
    const unsigned long long unpacked = input.ConsumeIntegral<uint64_t>();
    const EntryKind kind = ClassifyEntry(first.c_str());
    const char* refusal = EntryDataRefusal(flag, method, unpacked, kind);
    if (!refusal)
        FUZZ_ASSERT(!(flag & 1) && (method == 0 || method == 8));

    // Where entries lie: the layout and extents as numbers, then what the
    // verdict promises about them. An extent holds at least a local header,
    // as the stub measures it.
    ArchiveLayout layout;
    layout.start = input.ConsumeIntegralInRange<uint64_t>(0, 1 << 20);
    layout.directory = input.ConsumeIntegralInRange<uint64_t>(0, 1 << 20);
    std::vector<EntryExtent> extents;
    const size_t count = input.ConsumeIntegralInRange<size_t>(0, 16);
    for (size_t i = 0; i < count; ++i) {
        EntryExtent extent;
        extent.begin = input.ConsumeIntegralInRange<uint64_t>(0, 1 << 20);
        extent.end = extent.begin + 30 + input.ConsumeIntegralInRange<uint64_t>(0, 1 << 16);
        extent.entry = i;
        extents.push_back(extent);
    }
    const std::vector<EntryExtent> given = extents;
    size_t at = 0, other = 0;
    const char* where = ExtentRefusal(extents, layout, at, other);
    if (!where) {
        for (size_t i = 0; i < given.size(); ++i) {
            FUZZ_ASSERT(given[i].begin >= layout.start &&
                        given[i].end <= layout.directory);
            for (size_t j = i + 1; j < given.size(); ++j)
                FUZZ_ASSERT(given[i].end <= given[j].begin || given[j].end <= given[i].begin);
        }
    } else {
        FUZZ_ASSERT(at < given.size() && other < given.size());
        if (at == other) {
            const EntryExtent& e = given[at];
            FUZZ_ASSERT(e.begin < layout.start || e.end > layout.directory);
        } else {
            const EntryExtent& a = given[at];
            const EntryExtent& b = given[other];
            FUZZ_ASSERT(a.begin < b.end && b.begin < a.end);
        }
    }

    // The rest of the input as an archive file: the end record the unzip
    // code would take, and the directory inside the file.
    const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();
    const std::string path = WriteFuzzFile("archive.zip", rest.data(), rest.size());
    ArchiveLayout read;
    if (ReadArchiveLayout(ReadOnlyFile(path.c_str()), read))
        FUZZ_ASSERT(read.start <= read.directory && read.directory <= rest.size());
    return 0;
}
