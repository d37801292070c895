#include "IconFile.h"

#include <stdint.h>

namespace {

constexpr DWORD kHeaderSize = 6;
constexpr DWORD kEntrySize = 16;
constexpr WORD kEnglishUnitedStates = 1033;

uint32_t U16(const std::string& bytes, size_t at)
{
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8;
}

uint32_t U32(const std::string& bytes, size_t at)
{
    return U16(bytes, at) | U16(bytes, at + 2) << 16;
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
    if (!read || bytes.size() < kHeaderSize)
        return Malformed;

    const uint32_t count = U16(bytes, 4);
    if (count > kMaxImages || bytes.size() < kHeaderSize + uint64_t(count) * kEntrySize)
        return Malformed;
    std::vector<std::string> images;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = kHeaderSize + size_t(i) * kEntrySize;
        const uint64_t size = U32(bytes, entry + 8);
        const uint64_t offset = U32(bytes, entry + 12);
        if (offset + size > bytes.size())
            return Malformed;
        images.push_back(bytes.substr(size_t(offset), size_t(size)));
    }
    images_.swap(images);
    return Loaded;
}

IconUpdateResult ReplaceIconImages(const char* programPath, const std::vector<std::string>& images)
{
    HANDLE update = BeginUpdateResourceA(programPath, FALSE);
    if (!update)
        return IconUpdateResult::NotOpened;
    for (size_t i = 0; i < images.size(); ++i) {
        // UpdateResource takes a non-const pointer but only reads the data.
        void* data = const_cast<char*>(images[i].data());
        if (!UpdateResourceA(update, RT_ICON, MAKEINTRESOURCEA(i + 1),
                             kEnglishUnitedStates, data, DWORD(images[i].size()))) {
            EndUpdateResourceA(update, TRUE);
            return IconUpdateResult::Failed;
        }
    }
    return EndUpdateResourceA(update, FALSE) ? IconUpdateResult::Updated : IconUpdateResult::Failed;
}
