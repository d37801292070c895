#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// One image of an icon file, with what its directory entry says about it.
// Width and height 0 stand for 256 (such images are usually PNG-compressed).
struct IconImage {
    uint8_t width = 0;
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    std::string bytes;
};

// The images of an .ico file: a 6-byte header (reserved 0, type 1, count),
// then 16-byte directory entries whose size and offset words locate each
// image.
class IconFile {
public:
    enum LoadResult {
        Loaded,
        CannotOpen, // skipped by the caller: the output keeps the stub's icons
        Malformed,  // not an icon, no image, or shorter than it announces
    };

    // More images than this is taken for a damaged file, not an icon.
    static constexpr unsigned kMaxImages = 256;
    // Larger files are refused before they are read into memory.
    static constexpr uint32_t kMaxFileSize = 64u * 1024 * 1024;

    LoadResult Load(const char* path);
    // The same checks on the bytes of a whole file.
    LoadResult Parse(const std::string& bytes);
    const std::vector<IconImage>& images() const { return images_; }

private:
    std::vector<IconImage> images_;
};

// The RT_GROUP_ICON directory that describes the images stored as RT_ICON
// resources firstId, firstId + 1, ...: a 6-byte header and one 14-byte entry
// per image with its sizes, colours, planes, bit count, byte size and id.
std::string IconGroupBytes(const std::vector<IconImage>& images, uint16_t firstId);

// Writes the images as RT_ICON resources 1..N, language 1033, and rewrites
// icon group groupId (in the language it already has) to list exactly them.
// The program's other resources stay as they are. The resource section is
// rebuilt by our own writer, not the system's, so that every system makes
// the same setup.
enum class IconUpdateResult {
    Updated,
    NotOpened, // the file's resources could not be opened: nothing changed
    Failed,    // the update began but did not complete
};
IconUpdateResult ReplaceIcons(const char* programPath, const std::vector<IconImage>& images,
                              uint16_t groupId);
// The same on the bytes of a whole program file, rewritten in place.
IconUpdateResult ReplaceIcons(std::string& program, const std::vector<IconImage>& images,
                              uint16_t groupId);
