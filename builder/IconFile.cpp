#include "IconFile.h"

#include <stdint.h>

namespace {

constexpr DWORD kHeaderSize = 6;
constexpr DWORD kEntrySize = 16;
constexpr WORD kIconType = 1;
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

BOOL CALLBACK KeepLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

// The language under which the program holds the group, so that the rewrite
// replaces it instead of adding a second group beside it.
WORD GroupLanguage(const char* programPath, WORD groupId)
{
    WORD language = kEnglishUnitedStates;
    HMODULE module = LoadLibraryExA(programPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module) {
        EnumResourceLanguagesA(module, RT_GROUP_ICON, MAKEINTRESOURCEA(groupId), KeepLanguage,
                               reinterpret_cast<LONG_PTR>(&language));
        FreeLibrary(module);
    }
    return language;
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

IconUpdateResult ReplaceIcons(const char* programPath, const std::vector<IconImage>& images,
                              WORD groupId)
{
    const WORD groupLanguage = GroupLanguage(programPath, groupId);
    std::string group = IconGroupBytes(images, 1);
    HANDLE update = BeginUpdateResourceA(programPath, FALSE);
    if (!update)
        return IconUpdateResult::NotOpened;
    // UpdateResource takes a non-const pointer but only reads the data.
    for (size_t i = 0; i < images.size(); ++i) {
        void* data = const_cast<char*>(images[i].bytes.data());
        if (!UpdateResourceA(update, RT_ICON, MAKEINTRESOURCEA(i + 1), kEnglishUnitedStates, data,
                             DWORD(images[i].bytes.size()))) {
            EndUpdateResourceA(update, TRUE);
            return IconUpdateResult::Failed;
        }
    }
    if (!UpdateResourceA(update, RT_GROUP_ICON, MAKEINTRESOURCEA(groupId), groupLanguage, &group[0],
                         DWORD(group.size()))) {
        EndUpdateResourceA(update, TRUE);
        return IconUpdateResult::Failed;
    }
    return EndUpdateResourceA(update, FALSE) ? IconUpdateResult::Updated : IconUpdateResult::Failed;
}
