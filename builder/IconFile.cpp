#include "IconFile.h"

#include "PeResources.h"

#include <stdio.h>

#include <stdint.h>

namespace {

constexpr DWORD kHeaderSize = 6;
constexpr DWORD kEntrySize = 16;
constexpr WORD kIconType = 1;
// Resource types of icon images and of the groups that list them.
constexpr uint16_t kIconResource = 3;
constexpr uint16_t kGroupIconResource = 14;
constexpr WORD kEnglishUnitedStates = 1033;

uint32_t U16(const std::string& bytes, size_t at)
{
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8;
}

uint32_t U32(const std::string& bytes, size_t at)
{
    return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

void PutU16(std::string& out, unsigned value)
{
    out += char(value & 0xFF);
    out += char(value >> 8 & 0xFF);
}

void PutU32(std::string& out, uint32_t value)
{
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

bool ReadWhole(HANDLE file, std::string& bytes)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > IconFile::kMaxFileSize)
        return false;
    bytes.resize(size_t(size.QuadPart));
    DWORD done = 0;
    while (done < bytes.size()) {
        DWORD count = 0;
        if (!ReadFile(file, &bytes[done], DWORD(bytes.size()) - done, &count, nullptr) || count == 0)
            return false;
        done += count;
    }
    return true;
}

} // namespace

IconFile::LoadResult IconFile::Load(const char* path)
{
    images_.clear();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return CannotOpen;
    std::string bytes;
    bool read = ReadWhole(file, bytes);
    CloseHandle(file);
    return read ? Parse(bytes) : Malformed;
}

IconFile::LoadResult IconFile::Parse(const std::string& bytes)
{
    images_.clear();
    // A renamed bitmap or a cursor file would "load" and change nothing that
    // Explorer shows: only a real icon header with images is accepted.
    if (bytes.size() < kHeaderSize || U16(bytes, 0) != 0 || U16(bytes, 2) != kIconType)
        return Malformed;
    const uint32_t count = U16(bytes, 4);
    if (count == 0 || count > kMaxImages || bytes.size() < kHeaderSize + uint64_t(count) * kEntrySize)
        return Malformed;
    std::vector<IconImage> images;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = kHeaderSize + size_t(i) * kEntrySize;
        const uint64_t size = U32(bytes, entry + 8);
        const uint64_t offset = U32(bytes, entry + 12);
        if (size == 0 || offset + size > bytes.size())
            return Malformed;
        IconImage image;
        image.width = BYTE(bytes[entry]);
        image.height = BYTE(bytes[entry + 1]);
        image.colorCount = BYTE(bytes[entry + 2]);
        image.planes = WORD(U16(bytes, entry + 4));
        image.bitCount = WORD(U16(bytes, entry + 6));
        image.bytes = bytes.substr(size_t(offset), size_t(size));
        images.push_back(std::move(image));
    }
    images_.swap(images);
    return Loaded;
}

std::string IconGroupBytes(const std::vector<IconImage>& images, WORD firstId)
{
    std::string group;
    PutU16(group, 0);
    PutU16(group, kIconType);
    PutU16(group, unsigned(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        group += char(image.width);
        group += char(image.height);
        group += char(image.colorCount);
        group += '\0';
        PutU16(group, image.planes);
        PutU16(group, image.bitCount);
        PutU32(group, uint32_t(image.bytes.size()));
        PutU16(group, unsigned(firstId + i));
    }
    return group;
}

IconUpdateResult ReplaceIcons(std::string& program, const std::vector<IconImage>& images,
                              WORD groupId)
{
    PeResources resources;
    std::string error;
    if (!resources.Read(program, error))
        return IconUpdateResult::NotOpened;
    // The group keeps the language it has, so that it is replaced instead
    // of joined by a second group.
    WORD groupLanguage = kEnglishUnitedStates;
    auto groups = resources.types().find(kGroupIconResource);
    if (groups != resources.types().end()) {
        auto group = groups->second.find(groupId);
        if (group != groups->second.end() && !group->second.empty())
            groupLanguage = group->second.begin()->first;
    }
    for (size_t i = 0; i < images.size(); ++i)
        resources.Set(kIconResource, uint16_t(i + 1), kEnglishUnitedStates, images[i].bytes);
    resources.Set(kGroupIconResource, groupId, groupLanguage, IconGroupBytes(images, 1));
    std::string written;
    if (!resources.Write(program, written, error))
        return IconUpdateResult::Failed;
    program.swap(written);
    return IconUpdateResult::Updated;
}

IconUpdateResult ReplaceIcons(const char* programPath, const std::vector<IconImage>& images,
                              WORD groupId)
{
    FILE* file = fopen(programPath, "rb");
    if (!file)
        return IconUpdateResult::NotOpened;
    std::string program;
    char block[64 * 1024];
    size_t count;
    while ((count = fread(block, 1, sizeof block, file)) > 0)
        program.append(block, count);
    const bool read = !ferror(file);
    fclose(file);
    if (!read)
        return IconUpdateResult::NotOpened;
    const IconUpdateResult result = ReplaceIcons(program, images, groupId);
    if (result != IconUpdateResult::Updated)
        return result;
    // The caller's file is its own temporary copy: rewritten whole, or
    // reported as failed and removed.
    file = fopen(programPath, "wb");
    if (!file)
        return IconUpdateResult::Failed;
    const bool written = fwrite(program.data(), 1, program.size(), file) == program.size();
    return fclose(file) == 0 && written ? IconUpdateResult::Updated : IconUpdateResult::Failed;
}
