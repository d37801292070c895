#pragma once

// Pictures a packager brings to a skin (PNG, JPEG or BMP), decoded and
// scaled by ImageMagick's library, and the uncompressed 24-bit BMP files
// that the skin engine reads.

#include "SkinBitmap.h"

#include <string>

// Reads the image at path and scales it to cover width x height, cutting
// what overflows evenly from both sides, so that a logo keeps its
// proportions. False, with the reason, for a file that cannot be read or is
// no PNG, JPEG or BMP image.
bool LoadImageCovering(const std::string& path, int width, int height, SkinPixels& pixels,
                       std::string& error);

// The pixels as a bottom-up 24-bit BMP file, the same bytes for the same
// pixels.
std::string EncodeBmp24(const SkinPixels& pixels);
