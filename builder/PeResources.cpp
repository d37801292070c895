#include "PeResources.h"

#include "LittleEndian.h"
#include "PeHeaders.h"

#include <string.h>

#include <algorithm>

namespace {

constexpr size_t kDebugEntrySize = 28;
constexpr uint32_t kDiscardable = 0x02000000;
// Resource directory tables and entries.
constexpr size_t kTableHeaderSize = 16;
constexpr size_t kTableEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;
// Images are placed on 8-byte boundaries, as resource compilers do.
constexpr size_t kDataAlignment = 8;
// Type, name and language: the loader looks no deeper.
constexpr int kLevels = 3;
// Tables may share subtables; a tree that would unfold past this many
// entries is damaged, not a program's resources.
constexpr size_t kMostEntries = 1 << 16;

// The helpers of LittleEndian.h at an offset into a file held as a string.
uint32_t ReadLittle16Of(const std::string& b, size_t at) { return ReadLittle16(&b[at]); }
uint32_t ReadLittle32Of(const std::string& b, size_t at) { return ReadLittle32(&b[at]); }
void WriteLittle16Of(std::string& b, size_t at, uint32_t v) { WriteLittle16(&b[at], v); }
void WriteLittle32Of(std::string& b, size_t at, uint32_t v) { WriteLittle32(&b[at], v); }

bool IsPowerOfTwo(uint32_t value) { return value && !(value & (value - 1)); }

// What Windows maps: powers of two, the file's alignment 512 bytes to
// 64 KiB (or smaller and equal to the memory's), the memory's at least the
// file's. Within these, no size the writer works out outgrows the file and
// its new resources by more than one alignment.
bool AlignmentsMap(uint32_t sectionAlignment, uint32_t fileAlignment)
{
    return IsPowerOfTwo(sectionAlignment) && IsPowerOfTwo(fileAlignment) &&
           fileAlignment <= 0x10000 && sectionAlignment >= fileAlignment &&
           (fileAlignment >= 512 || fileAlignment == sectionAlignment);
}

uint64_t AlignUp(uint64_t value, uint32_t alignment)
{
    return alignment ? (value + alignment - 1) / alignment * alignment : value;
}

typedef PeSection Section;

// What the headers of a PE file say, checked against the file's size.
struct Headers : PeHeaders {
    bool Parse(const std::string& file, std::string& error)
    {
        switch (ReadPeHeaders(file, *this)) {
        case PeHeadersResult::Sound:
            break;
        case PeHeadersResult::NoMzHeader:
            error = "not a program file (no MZ header)";
            return false;
        case PeHeadersResult::NoPeSignature:
            error = "not a PE program file";
            return false;
        case PeHeadersResult::CutShort:
            error = "the PE headers run past the end of the file";
            return false;
        case PeHeadersResult::UnknownOptionalHeader:
            error = "unknown optional header";
            return false;
        }
        for (const Section& s : sections) {
            if (s.rawSize && uint64_t(s.rawOffset) + s.rawSize > file.size()) {
                error = "a section runs past the end of the file";
                return false;
            }
            // The writer keeps everything before the resources in place and
            // patches the headers there: no section may lie over them.
            if (s.rawSize && s.rawOffset < headersEnd) {
                error = "a section lies over the PE headers";
                return false;
            }
        }
        return true;
    }

    uint32_t DirectoryRva(unsigned index) const { return Directory(index).address; }
    uint32_t DirectorySize(unsigned index) const { return Directory(index).size; }

    // The section whose memory holds rva, or null.
    const Section* SectionOf(uint32_t rva) const
    {
        for (const Section& s : sections) {
            const uint32_t size = s.virtualSize ? s.virtualSize : s.rawSize;
            if (rva >= s.virtualAddress && rva - s.virtualAddress < size)
                return &s;
        }
        return nullptr;
    }

    // The file offset of size bytes at rva, when they all lie in the file.
    bool FileOffset(uint32_t rva, uint32_t size, size_t& offset) const
    {
        const Section* s = SectionOf(rva);
        if (!s || s->rawSize == 0)
            return false;
        const uint64_t within = rva - s->virtualAddress;
        if (within + size > s->rawSize)
            return false;
        offset = size_t(s->rawOffset + within);
        return true;
    }
};

// Reads the resource tree: three levels of tables, each entry checked to lie
// inside the resource section before it is followed.
class TreeReader {
public:
    TreeReader(const std::string& file, const Headers& headers, size_t base, uint32_t size)
        : file_(file), headers_(headers), base_(base), size_(size)
    {
    }

    bool Read(PeResources::Types& types, std::string& error)
    {
        std::vector<PeResources::Key> path(kLevels);
        return ReadTable(0, 0, path, types, error);
    }

private:
    bool ReadTable(uint32_t offset, int level, std::vector<PeResources::Key>& path,
                   PeResources::Types& types, std::string& error)
    {
        if (offset > size_ || size_ - offset < kTableHeaderSize)
            return Fail("a resource table lies outside the section", error);
        const size_t table = base_ + offset;
        const size_t count = size_t(ReadLittle16Of(file_, table + 12)) + ReadLittle16Of(file_, table + 14);
        if ((size_ - offset - kTableHeaderSize) / kTableEntrySize < count)
            return Fail("a resource table runs past the section", error);
        for (size_t i = 0; i < count; ++i) {
            if (++entries_ > kMostEntries)
                return Fail("the resource tree has too many entries", error);
            const size_t entry = table + kTableHeaderSize + i * kTableEntrySize;
            const uint32_t name = ReadLittle32Of(file_, entry);
            const uint32_t target = ReadLittle32Of(file_, entry + 4);
            if (!ReadKey(name, path[level], error))
                return false;
            const bool isTable = (target & kHighBit) != 0;
            if (isTable != (level + 1 < kLevels))
                return Fail("the resource tree is not three levels deep", error);
            if (isTable) {
                if (!ReadTable(target & ~kHighBit, level + 1, path, types, error))
                    return false;
            } else if (!ReadData(target, path, types, error)) {
                return false;
            }
        }
        return true;
    }

    bool ReadKey(uint32_t name, PeResources::Key& key, std::string& error)
    {
        key = PeResources::Key();
        if (!(name & kHighBit)) {
            key.id = uint16_t(name);
            return true;
        }
        const uint32_t at = name & ~kHighBit;
        if (at > size_ || size_ - at < 2)
            return Fail("a resource name lies outside the section", error);
        const uint16_t length = ReadLittle16Of(file_, base_ + at);
        if ((size_ - at - 2) / 2 < length || length == 0)
            return Fail("a resource name runs past the section", error);
        for (uint16_t i = 0; i < length; ++i)
            key.name.push_back(char16_t(ReadLittle16Of(file_, base_ + at + 2 + 2 * i)));
        return true;
    }

    bool ReadData(uint32_t offset, const std::vector<PeResources::Key>& path,
                  PeResources::Types& types, std::string& error)
    {
        if (offset > size_ || size_ - offset < kDataEntrySize)
            return Fail("a resource entry lies outside the section", error);
        const size_t entry = base_ + offset;
        const uint32_t rva = ReadLittle32Of(file_, entry);
        const uint32_t size = ReadLittle32Of(file_, entry + 4);
        size_t at = 0;
        if (!headers_.FileOffset(rva, size, at))
            return Fail("a resource's data lies outside the file", error);
        if (!path[2].name.empty())
            return Fail("a resource language is a name", error);
        // Entries may share data; a tree that copies out more than the
        // whole file holds is made to exhaust memory, not to be loaded.
        copied_ += size;
        if (copied_ > file_.size())
            return Fail("the resource tree repeats its data too often", error);
        PeResources::Data& data = types[path[0]][path[1]][path[2].id];
        data.bytes.assign(file_, at, size);
        data.codePage = ReadLittle32Of(file_, entry + 8);
        return true;
    }

    static bool Fail(const char* why, std::string& error)
    {
        error = why;
        return false;
    }

    const std::string& file_;
    const Headers& headers_;
    size_t base_;
    uint32_t size_;
    size_t entries_ = 0;
    uint64_t copied_ = 0;
};

// Lays the tree out as a resource section that starts at rva: all tables
// first (types, then names, then languages), then the name texts, then the
// data entries, then the data.
std::string BuildSection(const PeResources::Types& types, uint32_t rva)
{
    size_t tables = kTableHeaderSize + types.size() * kTableEntrySize;
    size_t leaves = 0;
    for (const auto& type : types) {
        tables += kTableHeaderSize + type.second.size() * kTableEntrySize;
        for (const auto& name : type.second) {
            tables += kTableHeaderSize + name.second.size() * kTableEntrySize;
            leaves += name.second.size();
        }
    }
    size_t texts = 0;
    auto countText = [&texts](const PeResources::Key& key) {
        if (!key.name.empty())
            texts += 2 + 2 * key.name.size();
    };
    for (const auto& type : types) {
        countText(type.first);
        for (const auto& name : type.second)
            countText(name.first);
    }
    const size_t entriesAt = AlignUp(tables + texts, 4);
    size_t dataAt = AlignUp(entriesAt + leaves * kDataEntrySize, kDataAlignment);
    // An empty resource still gets a byte of its own: data that began at
    // the section's very end would lie outside it for every reader.
    auto room = [](const std::string& bytes) { return std::max<size_t>(bytes.size(), 1); };
    size_t end = dataAt;
    for (const auto& type : types)
        for (const auto& name : type.second)
            for (const auto& language : name.second)
                end = AlignUp(end, kDataAlignment) + room(language.second.bytes);

    std::string out(end, '\0');
    size_t nextTable = 0;
    size_t nextText = tables;
    size_t nextEntry = entriesAt;
    auto table = [&](size_t named, size_t numbered) {
        const size_t at = nextTable;
        WriteLittle16Of(out, at + 12, uint32_t(named));
        WriteLittle16Of(out, at + 14, uint32_t(numbered));
        nextTable += kTableHeaderSize + (named + numbered) * kTableEntrySize;
        return at;
    };
    auto key = [&](const PeResources::Key& k) -> uint32_t {
        if (k.name.empty())
            return k.id;
        const size_t at = nextText;
        WriteLittle16Of(out, at, uint32_t(k.name.size()));
        for (size_t i = 0; i < k.name.size(); ++i)
            WriteLittle16Of(out, at + 2 + 2 * i, k.name[i]);
        nextText += 2 + 2 * k.name.size();
        return uint32_t(at) | kHighBit;
    };
    auto counts = [](const auto& level, size_t& named, size_t& numbered) {
        named = numbered = 0;
        for (const auto& item : level)
            ++(item.first.name.empty() ? numbered : named);
    };

    // Breadth first: a table's entries point at tables laid out after it.
    size_t named, numbered;
    counts(types, named, numbered);
    const size_t root = table(named, numbered);
    std::vector<std::pair<size_t, const PeResources::Names*>> nameTables;
    size_t slot = root + kTableHeaderSize;
    for (const auto& type : types) {
        counts(type.second, named, numbered);
        const size_t at = table(named, numbered);
        WriteLittle32Of(out, slot, key(type.first));
        WriteLittle32Of(out, slot + 4, uint32_t(at) | kHighBit);
        slot += kTableEntrySize;
        nameTables.push_back({at, &type.second});
    }
    std::vector<std::pair<size_t, const PeResources::Languages*>> languageTables;
    for (const auto& names : nameTables) {
        slot = names.first + kTableHeaderSize;
        for (const auto& name : *names.second) {
            const size_t at = table(0, name.second.size());
            WriteLittle32Of(out, slot, key(name.first));
            WriteLittle32Of(out, slot + 4, uint32_t(at) | kHighBit);
            slot += kTableEntrySize;
            languageTables.push_back({at, &name.second});
        }
    }
    size_t data = dataAt;
    for (const auto& languages : languageTables) {
        slot = languages.first + kTableHeaderSize;
        for (const auto& language : *languages.second) {
            WriteLittle32Of(out, slot, language.first);
            WriteLittle32Of(out, slot + 4, uint32_t(nextEntry));
            slot += kTableEntrySize;
            data = AlignUp(data, kDataAlignment);
            const std::string& bytes = language.second.bytes;
            WriteLittle32Of(out, nextEntry, uint32_t(rva + data));
            WriteLittle32Of(out, nextEntry + 4, uint32_t(bytes.size()));
            WriteLittle32Of(out, nextEntry + 8, language.second.codePage);
            nextEntry += kDataEntrySize;
            if (!bytes.empty())
                memcpy(&out[data], bytes.data(), bytes.size());
            data += room(bytes);
        }
    }
    return out;
}

// The optional header's checksum: a 16-bit one's-complement sum of the file
// with the checksum field taken as zero, plus the file's length.
uint32_t PeCheckSum(const std::string& file, size_t checksumAt)
{
    uint64_t sum = 0;
    for (size_t at = 0; at < file.size(); at += 2) {
        if (at == checksumAt || at == checksumAt + 2)
            continue;
        uint32_t word = uint8_t(file[at]);
        if (at + 1 < file.size())
            word |= uint32_t(uint8_t(file[at + 1])) << 8;
        sum += word;
        sum = (sum & 0xffff) + (sum >> 16);
    }
    sum = (sum & 0xffff) + (sum >> 16);
    return uint32_t(sum + file.size());
}

} // namespace

bool PeResources::Key::operator<(const Key& other) const
{
    if (name.empty() != other.name.empty())
        return !name.empty();  // texts before numbers
    if (!name.empty())
        return name < other.name;
    return id < other.id;
}

bool PeResources::Read(const std::string& file, std::string& error)
{
    types_.clear();
    Headers headers;
    if (!headers.Parse(file, error))
        return false;
    const uint32_t rva = headers.DirectoryRva(kPeResourceDirectory);
    if (rva == 0)
        return true;  // a program without resources
    const Section* section = headers.SectionOf(rva);
    if (!section || rva != section->virtualAddress) {
        error = "the resource directory does not start a section";
        return false;
    }
    const uint32_t size = std::min(section->rawSize,
                                   section->virtualSize ? section->virtualSize : section->rawSize);
    Types types;
    if (!TreeReader(file, headers, section->rawOffset, size).Read(types, error))
        return false;
    types_.swap(types);
    return true;
}

bool PeResources::Write(const std::string& file, std::string& out, std::string& error) const
{
    Headers headers;
    if (!headers.Parse(file, error))
        return false;
    if (headers.DirectorySize(kPeSecurityDirectory) != 0) {
        error = "the program is signed: sign it after its resources are written";
        return false;
    }
    const uint32_t rva = headers.DirectoryRva(kPeResourceDirectory);
    const Section* found = rva ? headers.SectionOf(rva) : nullptr;
    if (!found || rva != found->virtualAddress || found->rawSize == 0) {
        error = "the program has no resource section of its own";
        return false;
    }
    const Section rsrc = *found;
    // What follows the resources moves as one piece; a section that shares
    // their bytes in the file would be cut in two.
    for (const Section& s : headers.sections) {
        if (s.header != rsrc.header && s.rawSize &&
            s.rawOffset < uint64_t(rsrc.rawOffset) + rsrc.rawSize &&
            rsrc.rawOffset < uint64_t(s.rawOffset) + s.rawSize) {
            error = "another section shares the resources' bytes";
            return false;
        }
    }
    for (unsigned i = 0; i < unsigned(headers.directories.size()); ++i) {
        if (i != kPeResourceDirectory && i != kPeSecurityDirectory &&
            headers.SectionOf(headers.DirectoryRva(i)) == found) {
            error = "the resource section holds other data too";
            return false;
        }
    }

    const uint32_t sa = headers.sectionAlignment;
    const uint32_t fa = headers.fileAlignment;
    // Before anything is laid out or allocated: a damaged alignment would
    // round the new section up to gigabytes.
    if (!AlignmentsMap(sa, fa)) {
        error = "the program's section or file alignment is damaged";
        return false;
    }
    const std::string section = BuildSection(types_, rsrc.virtualAddress);
    const uint64_t newRawSize = AlignUp(section.size(), fa);
    const uint64_t oldEnd = uint64_t(rsrc.rawOffset) + rsrc.rawSize;
    const int64_t rawDelta = int64_t(newRawSize) - int64_t(rsrc.rawSize);
    const uint32_t oldVirtualSize = rsrc.virtualSize ? rsrc.virtualSize : rsrc.rawSize;
    const int64_t virtualDelta =
        int64_t(AlignUp(section.size(), sa)) - int64_t(AlignUp(oldVirtualSize, sa));
    if (newRawSize > 0xffffffffu || oldEnd > file.size() ||
        uint64_t(int64_t(file.size()) + rawDelta) > 0xffffffffu) {
        error = "the program would grow too large";
        return false;
    }

    // Sections after the resources move with them; only those the program
    // reaches through its headers alone may move in memory.
    for (const Section& s : headers.sections) {
        if (s.virtualAddress > rsrc.virtualAddress && virtualDelta != 0 && !s.Named(".reloc") &&
            !(s.characteristics & kDiscardable)) {
            error = "a section the program uses follows its resources";
            return false;
        }
        if (s.rawSize && s.rawOffset >= oldEnd && rawDelta % int64_t(fa) != 0) {
            error = "the resource section is not aligned in the file";
            return false;
        }
    }

    out.reserve(size_t(int64_t(file.size()) + rawDelta));
    out.assign(file, 0, rsrc.rawOffset);
    out += section;
    out.resize(size_t(rsrc.rawOffset + newRawSize), '\0');
    out.append(file, size_t(oldEnd), std::string::npos);

    auto movedFile = [&](uint32_t offset) {
        return offset >= oldEnd ? uint32_t(offset + rawDelta) : offset;
    };
    auto movedRva = [&](uint32_t value) {
        return value > rsrc.virtualAddress && headers.SectionOf(value) &&
                       headers.SectionOf(value)->virtualAddress > rsrc.virtualAddress
                   ? uint32_t(value + virtualDelta)
                   : value;
    };

    // The debug directory's entries name their data by address and offset.
    const uint32_t debugRva = headers.DirectoryRva(kPeDebugDirectory);
    const uint32_t debugSize = headers.DirectorySize(kPeDebugDirectory);
    size_t debugAt = 0;
    if (debugRva && headers.FileOffset(debugRva, debugSize, debugAt)) {
        debugAt = movedFile(uint32_t(debugAt));
        for (size_t at = debugAt; at + kDebugEntrySize <= debugAt + debugSize; at += kDebugEntrySize) {
            WriteLittle32Of(out, at + 20, movedRva(ReadLittle32Of(out, at + 20)));
            if (ReadLittle32Of(out, at + 24))
                WriteLittle32Of(out, at + 24, movedFile(ReadLittle32Of(out, at + 24)));
        }
    }

    uint64_t imageEnd = 0;
    for (const Section& s : headers.sections) {
        uint32_t virtualAddress = s.virtualAddress;
        uint32_t virtualSize = s.virtualSize;
        if (s.header == rsrc.header) {
            virtualSize = uint32_t(section.size());
            WriteLittle32Of(out, s.header + kPeSectionRawSizeField, uint32_t(newRawSize));
        } else {
            virtualAddress = movedRva(virtualAddress);
            if (s.rawSize)
                WriteLittle32Of(out, s.header + kPeSectionRawOffsetField, movedFile(s.rawOffset));
        }
        WriteLittle32Of(out, s.header + kPeSectionVirtualSizeField, virtualSize);
        WriteLittle32Of(out, s.header + kPeSectionAddressField, virtualAddress);
        const uint64_t end = uint64_t(virtualAddress) + (virtualSize ? virtualSize : s.rawSize);
        if (end > imageEnd)
            imageEnd = end;
    }
    for (unsigned i = 0; i < unsigned(headers.directories.size()); ++i) {
        if (i == kPeSecurityDirectory)
            continue;
        const size_t at = headers.DirectoryAt(i);
        if (i == kPeResourceDirectory)
            WriteLittle32Of(out, at + 4, uint32_t(section.size()));
        else
            WriteLittle32Of(out, at, movedRva(ReadLittle32Of(out, at)));
    }
    if (headers.symbolTable)
        WriteLittle32Of(out, headers.fileHeader + kPeSymbolTableField,
                        movedFile(headers.symbolTable));
    WriteLittle32Of(out, headers.optionalHeader + kPeImageSizeField,
                    uint32_t(AlignUp(imageEnd, sa)));
    WriteLittle32Of(out, headers.optionalHeader + kPeInitializedDataField,
                    uint32_t(headers.initializedDataSize + rawDelta));
    const size_t checkSumAt = headers.optionalHeader + kPeCheckSumField;
    if (headers.checkSum)
        WriteLittle32Of(out, checkSumAt, PeCheckSum(out, checkSumAt));
    return true;
}

void PeResources::Set(const Key& type, const Key& name, uint16_t language, std::string bytes)
{
    types_[type][name][language].bytes = std::move(bytes);
}

void PeResources::Remove(const Key& type, const Key& name)
{
    auto t = types_.find(type);
    if (t == types_.end())
        return;
    t->second.erase(name);
    if (t->second.empty())
        types_.erase(t);
}
