#include "SkinBitmap.h"

#include "LittleEndian.h"

namespace {

constexpr int kMaxSide = 4096;
// BITMAPFILEHEADER and BITMAPINFOHEADER, as the file lays them out.
constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
constexpr uint32_t kUncompressed = 0;  // BI_RGB

} // namespace

bool DecodeSkinBitmap(const std::string& bytes, SkinPixels& image, std::string& error)
{
    const size_t headers = kFileHeader + kInfoHeader;
    if (bytes.size() < headers || bytes[0] != 'B' || bytes[1] != 'M') {
        error = "not a BMP image";
        return false;
    }
    const char* info = bytes.data() + kFileHeader;
    const uint32_t offBits = ReadLittle32(bytes.data() + 10);
    const uint32_t infoSize = ReadLittle32(info);
    // Signed 32-bit fields, widened before anything is negated or multiplied:
    // a height of -2147483648 has no 32-bit negation.
    const int64_t widthField = static_cast<int32_t>(ReadLittle32(info + 4));
    const int64_t heightField = static_cast<int32_t>(ReadLittle32(info + 8));
    const uint16_t planes = ReadLittle16(info + 12);
    const uint16_t bitCount = ReadLittle16(info + 14);
    const uint32_t compression = ReadLittle32(info + 16);
    if (infoSize < kInfoHeader || planes != 1 || (bitCount != 24 && bitCount != 32) ||
        compression != kUncompressed) {
        error = "BMP image is not uncompressed 24- or 32-bit";
        return false;
    }
    const bool bottomUp = heightField > 0;
    const int64_t height64 = bottomUp ? heightField : -heightField;
    if (widthField < 1 || height64 < 1 || widthField > kMaxSide || height64 > kMaxSide) {
        error = "BMP image has an impossible size";
        return false;
    }
    const int width = static_cast<int>(widthField);
    const int height = static_cast<int>(height64);
    const size_t bytesPerPixel = bitCount / 8;
    const size_t stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    if (offBits < headers || offBits > bytes.size() ||
        (bytes.size() - offBits) / stride < static_cast<size_t>(height)) {
        error = "BMP image is truncated";
        return false;
    }

    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data() + offBits);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = in + stride * (bottomUp ? height - 1 - y : y);
        uint8_t* dest = out.data() + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            dest[x * 4 + 0] = row[x * bytesPerPixel + 0];
            dest[x * 4 + 1] = row[x * bytesPerPixel + 1];
            dest[x * 4 + 2] = row[x * bytesPerPixel + 2];
            dest[x * 4 + 3] = 0;
        }
    }
    image.width = width;
    image.height = height;
    image.bgr0 = std::move(out);
    return true;
}
