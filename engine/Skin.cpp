#include "Skin.h"

#include <string.h>

// The Windows side of a skin: the description that the portable core read
// and checked (SkinDescription.h), made into brushes, fonts and DIB sections.

namespace {

int PixelHeight(int points)
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return -MulDiv(points, dpi, 72);
}

// The decoded pixels as a DIB section; an absent image stays null.
bool MakeImage(const SkinPixels& pixels, SkinImageSize& image, std::string& error)
{
    if (!pixels.width)
        return true;
    BITMAPINFO target = {};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = pixels.width;
    target.bmiHeader.biHeight = -pixels.height;
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bitmap(CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) {
        error = "no memory for a BMP image";
        return false;
    }
    memcpy(bits, pixels.bgr0.data(), pixels.bgr0.size());
    GdiFlush();
    image.bitmap = std::move(bitmap);
    image.width = pixels.width;
    image.height = pixels.height;
    return true;
}

bool MakePaint(const SkinObjectDescription& object, SkinObjectPaint& paint, std::string& error)
{
    const SkinStyle& style = object.style;
    paint.style = style;
    paint.colours = object.colours;
    paint.full = object.full;
    paint.face.reset(CreateSolidBrush(style.face));
    paint.hot.reset(CreateSolidBrush(style.hot));
    paint.pressed.reset(CreateSolidBrush(style.pressed));
    paint.border.reset(CreateSolidBrush(style.border));
    if (!paint.face || !paint.hot || !paint.pressed || !paint.border) {
        error = "out of GDI objects";
        return false;
    }
    if (style.hasFont) {
        LOGFONTW font = {};
        font.lfHeight = PixelHeight(style.fontSize);
        font.lfWeight = style.fontWeight;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = DEFAULT_QUALITY;
        // The core has checked the name: UTF-8, shorter than LF_FACESIZE.
        MultiByteToWideChar(CP_UTF8, 0, style.fontFace.c_str(), -1, font.lfFaceName,
                            LF_FACESIZE);
        paint.font.reset(CreateFontIndirectW(&font));
        if (!paint.font) {
            error = "out of GDI objects";
            return false;
        }
    }
    if (!MakeImage(object.image, paint.image, error) ||
        !MakeImage(object.buttons, paint.buttons, error) ||
        !MakeImage(object.background, paint.background, error))
        return false;
    for (int i = 0; i < 2; ++i) {
        if (!MakeImage(object.imageAt[i], paint.image.larger[i], error) ||
            !MakeImage(object.buttonsAt[i], paint.buttons.larger[i], error) ||
            !MakeImage(object.backgroundAt[i], paint.background.larger[i], error))
            return false;
    }
    if (paint.background.bitmap && style.tileBackground) {
        paint.backgroundTile.reset(CreatePatternBrush(paint.background.bitmap.get()));
        if (!paint.backgroundTile) {
            error = "out of GDI objects";
            return false;
        }
    }
    return true;
}

} // namespace

std::unique_ptr<Skin> Skin::Load(const wchar_t* path, std::string& error)
{
    SkinDescription description;
    SkinFaults faults;  // the first fault refuses the skin
    if (!DescribeSkin(path, description, faults)) {
        error = faults.empty() ? "skin refused" : SkinFaultText(faults.first());
        return nullptr;
    }
    return Make(description, error);
}

std::unique_ptr<Skin> Skin::Make(const SkinDescription& description, std::string& error)
{
    std::unique_ptr<Skin> skin(new Skin());
    skin->name_ = description.name;
    skin->format_ = description.format;
    skin->highContrastSafe_ = description.highContrastSafe;
    skin->objects_.resize(description.objects.size());
    for (size_t i = 0; i < description.objects.size(); ++i) {
        if (!description.objects[i])
            continue;
        auto paint = std::make_unique<SkinObjectPaint>();
        if (!MakePaint(*description.objects[i], *paint, error))
            return nullptr;
        skin->objects_[i] = std::move(paint);
    }
    if (description.dark && !(skin->dark_ = Make(*description.dark, error)))
        return nullptr;
    return skin;
}

const SkinObjectPaint* Skin::object(int index) const
{
    if (index < 0 || index >= static_cast<int>(objects_.size()))
        return nullptr;
    return objects_[index].get();
}
