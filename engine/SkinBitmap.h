#pragma once

// BMP images of a skin, decoded by us rather than by LoadImage so that a
// damaged image is found while the skin is checked, not while painting.

#include "GdiHandle.h"

#include <string>

struct SkinImage {
    BitmapHandle bitmap;  // 32-bit top-down DIB section
    int width = 0;
    int height = 0;
};

// Decodes an uncompressed 24- or 32-bit BMP (the kind ImageMagick writes as
// BMP3). Anything else, or data shorter than its headers promise, is refused.
bool DecodeSkinBitmap(const std::string& bytes, SkinImage& image, std::string& error);
