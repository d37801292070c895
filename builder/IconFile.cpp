#include "IconFile.h"

#include "LittleEndian.h"
#include "PeResources.h"
#include "WholeFile.h"

#include <stdint.h>

namespace {

constexpr uint32_t kHeaderSize = 6;
constexpr uint32_t kEntrySize = 16;
constexpr uint16_t kIconType = 1;
// Resource types of icon images and of the groups that list them.
constexpr uint16_t kIconResource = 3;
constexpr uint16_t kGroupIconResource = 14;
constexpr uint16_t kEnglishUnitedStates = 1033;

} // namespace

IconFile::LoadResult IconFile::Load(const char* path)
{
    images_.clear();
    std::string bytes;
    switch (ReadWholeFile(path, kMaxFileSize, bytes)) {
    case WholeFileResult::Done:
        return Parse(bytes);
    case WholeFileResult::CannotOpen:
        return CannotOpen;
    default:
        return Malformed;
    }
}

IconFile::LoadResult IconFile::Parse(const std::string& bytes)
{
    images_.clear();
    // A renamed bitmap or a cursor file would "load" and change nothing that
    // Explorer shows: only a real icon header with images is accepted.
    if (bytes.size() < kHeaderSize || ReadLittle16(&bytes[0]) != 0 ||
        ReadLittle16(&bytes[2]) != kIconType)
        return Malformed;
    const uint32_t count = ReadLittle16(&bytes[4]);
    if (count == 0 || count > kMaxImages || bytes.size() < kHeaderSize + uint64_t(count) * kEntrySize)
        return Malformed;
    std::vector<IconImage> images;
    // Images may not share bytes: 256 entries naming one large image would
    // otherwise ask for 256 copies of it.
    uint64_t total = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = kHeaderSize + size_t(i) * kEntrySize;
        const uint64_t size = ReadLittle32(&bytes[entry + 8]);
        const uint64_t offset = ReadLittle32(&bytes[entry + 12]);
        total += size;
        if (size == 0 || offset + size > bytes.size() || total > bytes.size())
            return Malformed;
        IconImage image;
        image.width = uint8_t(bytes[entry]);
        image.height = uint8_t(bytes[entry + 1]);
        image.colorCount = uint8_t(bytes[entry + 2]);
        image.planes = uint16_t(ReadLittle16(&bytes[entry + 4]));
        image.bitCount = uint16_t(ReadLittle16(&bytes[entry + 6]));
        image.bytes = bytes.substr(size_t(offset), size_t(size));
        images.push_back(std::move(image));
    }
    images_.swap(images);
    return Loaded;
}

std::string IconGroupBytes(const std::vector<IconImage>& images, uint16_t firstId)
{
    std::string group;
    AppendLittle16(group, 0);
    AppendLittle16(group, kIconType);
    AppendLittle16(group, unsigned(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        group += char(image.width);
        group += char(image.height);
        group += char(image.colorCount);
        group += '\0';
        AppendLittle16(group, image.planes);
        AppendLittle16(group, image.bitCount);
        AppendLittle32(group, uint32_t(image.bytes.size()));
        AppendLittle16(group, unsigned(firstId + i));
    }
    return group;
}

IconUpdateResult ReplaceIcons(std::string& program, const std::vector<IconImage>& images,
                              uint16_t groupId)
{
    PeResources resources;
    std::string error;
    if (!resources.Read(program, error))
        return IconUpdateResult::NotOpened;
    // The group keeps the language it has, so that it is replaced instead
    // of joined by a second group.
    uint16_t groupLanguage = kEnglishUnitedStates;
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
                              uint16_t groupId)
{
    std::string program;
    if (ReadWholeFile(programPath, UINT32_MAX, program) != WholeFileResult::Done)
        return IconUpdateResult::NotOpened;
    const IconUpdateResult result = ReplaceIcons(program, images, groupId);
    if (result != IconUpdateResult::Updated)
        return result;
    // The caller's file is its own temporary copy: rewritten whole, or
    // reported as failed and removed.
    return WriteWholeFile(programPath, program) == WholeFileResult::Done ? IconUpdateResult::Updated
                                                                         : IconUpdateResult::Failed;
}
