#pragma once

#include "LittleEndian.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

// The headers of a PE program file, read by field name: the container reader
// (where appended data may begin), the resource writer (what it patches) and
// the tests (where a certificate table goes). Each caller adds its own
// checks on top of these, which hold for every one of them.

// The DOS header's field with the file offset of the "PE\0\0" signature.
constexpr size_t kPeDosHeaderSize = 64;
constexpr size_t kPeSignatureOffsetField = 0x3C;
constexpr size_t kPeSignatureSize = 4;
constexpr size_t kPeFileHeaderSize = 20;
constexpr size_t kPeSectionHeaderSize = 40;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kPeDataDirectorySize = 8;

// Fields of the file header, from its start.
constexpr size_t kPeSectionCountField = 2;
constexpr size_t kPeSymbolTableField = 8;
constexpr size_t kPeOptionalSizeField = 16;
// Fields of the optional header, from its start, alike in PE32 and PE32+.
constexpr size_t kPeInitializedDataField = 8;
constexpr size_t kPeSectionAlignmentField = 32;
constexpr size_t kPeFileAlignmentField = 36;
constexpr size_t kPeImageSizeField = 56;
constexpr size_t kPeHeadersSizeField = 60;
constexpr size_t kPeCheckSumField = 64;
// The data directories and their count end the optional header's fixed part.
constexpr size_t kPe32Directories = 96;
constexpr size_t kPe32PlusDirectories = 112;
// Fields of a section header, from its start.
constexpr size_t kPeSectionVirtualSizeField = 8;
constexpr size_t kPeSectionAddressField = 12;
constexpr size_t kPeSectionRawSizeField = 16;
constexpr size_t kPeSectionRawOffsetField = 20;
constexpr size_t kPeSectionCharacteristicsField = 36;

// Data directories by index. Resources and relocations hold addresses in
// memory; the certificate table holds a file offset.
constexpr unsigned kPeResourceDirectory = 2;
constexpr unsigned kPeSecurityDirectory = 4;
constexpr unsigned kPeDebugDirectory = 6;

enum class PeHeadersResult {
    Sound,
    NoMzHeader,
    NoPeSignature,
    CutShort,               // the headers run past the bytes given
    UnknownOptionalHeader,  // neither PE32 nor PE32+, or too short for its directories
};

struct PeSection {
    size_t header = 0;  // file offset of its section header
    char name[8] = {};  // not zero-terminated when all eight are used
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    uint32_t characteristics = 0;

    bool Named(const char* text) const { return strncmp(name, text, sizeof name) == 0; }
};

struct PeDirectory {
    uint32_t address = 0;  // a file offset for the certificate table
    uint32_t size = 0;
};

// Every offset here is a file offset.
struct PeHeaders {
    size_t signature = 0;
    size_t fileHeader = 0;
    size_t optionalHeader = 0;
    size_t directoryTable = 0;
    size_t sectionTable = 0;
    size_t headersEnd = 0;  // the end of the section table
    uint16_t optionalSize = 0;
    uint16_t magic = 0;
    uint32_t symbolTable = 0;
    uint32_t initializedDataSize = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t imageSize = 0;
    uint32_t headersSize = 0;
    uint32_t checkSum = 0;
    // As many as the count field names and the optional header holds.
    std::vector<PeDirectory> directories;
    std::vector<PeSection> sections;

    size_t DirectoryAt(unsigned index) const { return directoryTable + index * kPeDataDirectorySize; }
    PeDirectory Directory(unsigned index) const
    {
        return index < directories.size() ? directories[index] : PeDirectory();
    }
};

// Reads the headers from `bytes`, which hold `size` bytes of the file from
// offset `signature` on, where the DOS header says "PE\0\0" is.
inline PeHeadersResult ReadPeHeadersAt(const unsigned char* bytes, size_t size, size_t signature,
                                       PeHeaders& headers)
{
    headers = PeHeaders();
    if (size < kPeSignatureSize + kPeFileHeaderSize)
        return PeHeadersResult::CutShort;
    if (memcmp(bytes, "PE\0\0", kPeSignatureSize) != 0)
        return PeHeadersResult::NoPeSignature;
    const unsigned char* file = bytes + kPeSignatureSize;
    const size_t optional = kPeSignatureSize + kPeFileHeaderSize;
    const uint16_t sectionCount = ReadLittle16(file + kPeSectionCountField);
    headers.optionalSize = ReadLittle16(file + kPeOptionalSizeField);
    const size_t sectionTable = optional + headers.optionalSize;
    const size_t headersEnd = sectionTable + size_t(sectionCount) * kPeSectionHeaderSize;
    if (headersEnd > size || headers.optionalSize < 2)
        return PeHeadersResult::CutShort;
    const unsigned char* opt = bytes + optional;
    headers.magic = ReadLittle16(opt);
    const size_t directoryStart = headers.magic == kPe32PlusMagic ? kPe32PlusDirectories
                                                                  : kPe32Directories;
    if ((headers.magic != kPe32Magic && headers.magic != kPe32PlusMagic) ||
        headers.optionalSize < directoryStart)
        return PeHeadersResult::UnknownOptionalHeader;

    headers.signature = signature;
    headers.fileHeader = signature + kPeSignatureSize;
    headers.optionalHeader = signature + optional;
    headers.directoryTable = headers.optionalHeader + directoryStart;
    headers.sectionTable = signature + sectionTable;
    headers.headersEnd = signature + headersEnd;
    headers.symbolTable = ReadLittle32(file + kPeSymbolTableField);
    headers.initializedDataSize = ReadLittle32(opt + kPeInitializedDataField);
    headers.sectionAlignment = ReadLittle32(opt + kPeSectionAlignmentField);
    headers.fileAlignment = ReadLittle32(opt + kPeFileAlignmentField);
    headers.imageSize = ReadLittle32(opt + kPeImageSizeField);
    headers.headersSize = ReadLittle32(opt + kPeHeadersSizeField);
    headers.checkSum = ReadLittle32(opt + kPeCheckSumField);

    uint32_t count = ReadLittle32(opt + directoryStart - 4);
    const size_t room = (headers.optionalSize - directoryStart) / kPeDataDirectorySize;
    if (count > room)
        count = uint32_t(room);
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* entry = opt + directoryStart + i * kPeDataDirectorySize;
        headers.directories.push_back({ReadLittle32(entry), ReadLittle32(entry + 4)});
    }
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const unsigned char* at = bytes + sectionTable + i * kPeSectionHeaderSize;
        PeSection s;
        s.header = signature + sectionTable + i * kPeSectionHeaderSize;
        memcpy(s.name, at, sizeof s.name);
        s.virtualSize = ReadLittle32(at + kPeSectionVirtualSizeField);
        s.virtualAddress = ReadLittle32(at + kPeSectionAddressField);
        s.rawSize = ReadLittle32(at + kPeSectionRawSizeField);
        s.rawOffset = ReadLittle32(at + kPeSectionRawOffsetField);
        s.characteristics = ReadLittle32(at + kPeSectionCharacteristicsField);
        headers.sections.push_back(s);
    }
    return PeHeadersResult::Sound;
}

// The offset of the "PE\0\0" signature from the file's first bytes; false
// when they are no DOS header.
inline bool ReadPeSignatureOffset(const unsigned char* bytes, size_t size, size_t& signature)
{
    if (size < kPeDosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    signature = ReadLittle32(bytes + kPeSignatureOffsetField);
    return true;
}

// The headers of a program file held whole in memory.
inline PeHeadersResult ReadPeHeaders(const std::string& file, PeHeaders& headers)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    size_t signature = 0;
    if (!ReadPeSignatureOffset(bytes, file.size(), signature))
        return PeHeadersResult::NoMzHeader;
    if (signature > file.size())
        return PeHeadersResult::NoPeSignature;
    const PeHeadersResult result =
        ReadPeHeadersAt(bytes + signature, file.size() - signature, signature, headers);
    // Too short for even the signature and file header: not a PE file.
    if (result == PeHeadersResult::CutShort && file.size() - signature < kPeSignatureSize + kPeFileHeaderSize)
        return PeHeadersResult::NoPeSignature;
    return result;
}
