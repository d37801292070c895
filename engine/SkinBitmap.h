#pragma once

// BMP images of a skin, decoded by us rather than by LoadImage so that a
// damaged image is found while the skin is checked, not while painting.

#include <stdint.h>

#include <string>
#include <vector>

// An image as plain pixels: top-down rows of blue, green, red and a zero
// byte, the layout of a 32-bit top-down DIB section.
struct SkinPixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr0;  // width * height * 4 bytes
};

// Decodes an uncompressed 24- or 32-bit BMP (the kind ImageMagick writes as
// BMP3). Anything else, or data shorter than its headers promise, is refused.
bool DecodeSkinBitmap(const std::string& bytes, SkinPixels& image, std::string& error);
