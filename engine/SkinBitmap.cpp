#include "SkinBitmap.h"

#include <cstring>

namespace {

constexpr int kMaxSide = 4096;

template <typename T>
T ReadAt(const std::string& bytes, size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

} // namespace

bool DecodeSkinBitmap(const std::string& bytes, SkinImage& image, std::string& error)
{
    const size_t headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    if (bytes.size() < headers || bytes[0] != 'B' || bytes[1] != 'M') {
        error = "not a BMP image";
        return false;
    }
    const auto file = ReadAt<BITMAPFILEHEADER>(bytes, 0);
    const auto info = ReadAt<BITMAPINFOHEADER>(bytes, sizeof(BITMAPFILEHEADER));
    if (info.biSize < sizeof(BITMAPINFOHEADER) || info.biPlanes != 1 ||
        (info.biBitCount != 24 && info.biBitCount != 32) || info.biCompression != BI_RGB) {
        error = "BMP image is not uncompressed 24- or 32-bit";
        return false;
    }
    const int width = info.biWidth;
    const bool bottomUp = info.biHeight > 0;
    const int height = bottomUp ? info.biHeight : -info.biHeight;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        error = "BMP image has an impossible size";
        return false;
    }
    const size_t bytesPerPixel = info.biBitCount / 8;
    const size_t stride = ((static_cast<size_t>(width) * info.biBitCount + 31) / 32) * 4;
    if (file.bfOffBits < headers || file.bfOffBits > bytes.size() ||
        (bytes.size() - file.bfOffBits) / stride < static_cast<size_t>(height)) {
        error = "BMP image is truncated";
        return false;
    }

    BITMAPINFO target = {};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = width;
    target.bmiHeader.biHeight = -height;
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bitmap(CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) {
        error = "no memory for a BMP image";
        return false;
    }
    auto* out = static_cast<unsigned char*>(bits);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data() + file.bfOffBits);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = in + stride * (bottomUp ? height - 1 - y : y);
        unsigned char* dest = out + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            dest[x * 4 + 0] = row[x * bytesPerPixel + 0];
            dest[x * 4 + 1] = row[x * bytesPerPixel + 1];
            dest[x * 4 + 2] = row[x * bytesPerPixel + 2];
            dest[x * 4 + 3] = 0;
        }
    }
    GdiFlush();
    image.bitmap = std::move(bitmap);
    image.width = width;
    image.height = height;
    return true;
}
