#include "SkinImageFiles.h"

#include "LittleEndian.h"

#include <wand/MagickWand.h>

#include <string.h>

#include <algorithm>
#include <memory>

namespace {

struct WandDeleter {
    void operator()(MagickWand* wand) const { DestroyMagickWand(wand); }
};
using Wand = std::unique_ptr<MagickWand, WandDeleter>;

std::string WhyNot(MagickWand* wand)
{
    ExceptionType type;
    char* text = MagickGetException(wand, &type);
    std::string message = text && *text ? text : "the image cannot be read";
    MagickRelinquishMemory(text);
    return message;
}

} // namespace

bool LoadImageCovering(const std::string& path, int width, int height, SkinPixels& pixels,
                       std::string& error)
{
    static const bool started = (MagickWandGenesis(), true);
    (void)started;
    Wand wand(NewMagickWand());
    // Only the formats a packager is told to bring: ImageMagick would read
    // many more, some through outside programs.
    if (MagickPingImage(wand.get(), path.c_str()) == MagickFalse) {
        error = WhyNot(wand.get());
        return false;
    }
    char* format = MagickGetImageFormat(wand.get());
    const std::string kind = format ? format : "";
    MagickRelinquishMemory(format);
    if (kind != "PNG" && kind != "JPEG" && kind != "BMP" && kind != "BMP3") {
        error = "not a PNG, JPEG or BMP image";
        return false;
    }
    wand.reset(NewMagickWand());
    if (MagickReadImage(wand.get(), path.c_str()) == MagickFalse) {
        error = WhyNot(wand.get());
        return false;
    }
    MagickSetFirstIterator(wand.get());
    const double sourceWidth = double(MagickGetImageWidth(wand.get()));
    const double sourceHeight = double(MagickGetImageHeight(wand.get()));
    if (sourceWidth < 1 || sourceHeight < 1) {
        error = "the image is empty";
        return false;
    }
    // Transparent parts of a logo stand on white, as on a light page.
    PixelWand* white = NewPixelWand();
    PixelSetColor(white, "white");
    MagickSetImageBackgroundColor(wand.get(), white);
    DestroyPixelWand(white);
    MagickSetImageAlphaChannel(wand.get(), RemoveAlphaChannel);
    const double scale = std::max(width / sourceWidth, height / sourceHeight);
    const size_t scaledWidth = std::max<size_t>(width, size_t(sourceWidth * scale + 0.5));
    const size_t scaledHeight = std::max<size_t>(height, size_t(sourceHeight * scale + 0.5));
    if (MagickResizeImage(wand.get(), scaledWidth, scaledHeight, LanczosFilter, 1.0) ==
            MagickFalse ||
        MagickCropImage(wand.get(), size_t(width), size_t(height),
                        ssize_t((scaledWidth - width) / 2), ssize_t((scaledHeight - height) / 2)) ==
            MagickFalse) {
        error = WhyNot(wand.get());
        return false;
    }
    pixels.width = width;
    pixels.height = height;
    pixels.bgr0.assign(size_t(width) * height * 4, 0);
    std::string rgb(size_t(width) * height * 3, '\0');
    if (MagickExportImagePixels(wand.get(), 0, 0, size_t(width), size_t(height), "RGB", CharPixel,
                                &rgb[0]) == MagickFalse) {
        error = WhyNot(wand.get());
        return false;
    }
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        pixels.bgr0[i * 4 + 0] = uint8_t(rgb[i * 3 + 2]);
        pixels.bgr0[i * 4 + 1] = uint8_t(rgb[i * 3 + 1]);
        pixels.bgr0[i * 4 + 2] = uint8_t(rgb[i * 3 + 0]);
    }
    return true;
}

std::string EncodeBmp24(const SkinPixels& pixels)
{
    const size_t stride = (size_t(pixels.width) * 3 + 3) / 4 * 4;
    const size_t headers = 14 + 40;
    const size_t size = headers + stride * pixels.height;
    std::string bytes(size, '\0');
    auto* out = reinterpret_cast<unsigned char*>(&bytes[0]);
    out[0] = 'B';
    out[1] = 'M';
    WriteLittle32(out + 2, uint32_t(size));
    WriteLittle32(out + 10, uint32_t(headers));
    WriteLittle32(out + 14, 40);
    WriteLittle32(out + 18, uint32_t(pixels.width));
    WriteLittle32(out + 22, uint32_t(pixels.height));
    WriteLittle16(out + 26, 1);
    WriteLittle16(out + 28, 24);
    WriteLittle32(out + 34, uint32_t(stride * pixels.height));
    WriteLittle32(out + 38, 2835);  // 72 dots per inch
    WriteLittle32(out + 42, 2835);
    for (int y = 0; y < pixels.height; ++y) {
        unsigned char* row = out + headers + stride * (pixels.height - 1 - y);
        const uint8_t* in = pixels.bgr0.data() + size_t(y) * pixels.width * 4;
        for (int x = 0; x < pixels.width; ++x)
            memcpy(row + x * 3, in + x * 4, 3);
    }
    return bytes;
}
