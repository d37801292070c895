#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The images of an .ico file: a 6-byte header (reserved, type, count), then
// 16-byte directory entries whose size and offset words locate each image.
class IconFile {
public:
    enum LoadResult {
        Loaded,
        CannotOpen, // skipped by the caller: the output keeps the stub's icons
        Malformed,  // shorter than announced, or more images than any icon has
    };

    // More images than this is taken for a damaged file, not an icon.
    static constexpr unsigned kMaxImages = 256;
    // Larger files are refused before they are read into memory.
    static constexpr DWORD kMaxFileSize = 64u * 1024 * 1024;

    LoadResult Load(const char* path);
    const std::vector<std::string>& images() const { return images_; }

private:
    std::vector<std::string> images_;
};

// Writes the images as RT_ICON resources 1..N, language 1033, into the
// program file, keeping its other resources and its icon groups as they are.
enum class IconUpdateResult {
    Updated,
    NotOpened, // the file's resources could not be opened: nothing changed
    Failed,    // the update began but did not complete
};
IconUpdateResult ReplaceIconImages(const char* programPath, const std::vector<std::string>& images);
