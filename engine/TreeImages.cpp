#include "TreeImages.h"

#include "FieldWindow.h"
#include "WindowData.h"

#include <algorithm>

namespace {

constexpr WPARAM kLists[] = {TVSIL_NORMAL, TVSIL_STATE};
// Drawn around each image and left out of the copy: no grey of the images.
constexpr COLORREF kKey = RGB(0xFF, 0x00, 0xFF);

int Channel(COLORREF colour, int shift)
{
    return (colour >> shift) & 0xFF;
}

// A grey's place between black and white, taken from the text colour to the
// face; colours keep their own.
COLORREF Recolour(COLORREF pixel, COLORREF text, COLORREF face)
{
    const int r = Channel(pixel, 0), g = Channel(pixel, 8), b = Channel(pixel, 16);
    const int low = std::min({r, g, b}), high = std::max({r, g, b});
    if (high - low > 24)
        return pixel;
    const int light = (r + g + b) / 3;
    auto mix = [&](int shift) {
        return (Channel(text, shift) * (255 - light) + Channel(face, shift) * light) / 255;
    };
    return RGB(mix(0), mix(8), mix(16));
}

// A copy of the list in the skin's colours; null when it cannot be made.
HIMAGELIST RecolouredCopy(HIMAGELIST list, const SkinObjectPaint& paint)
{
    int width = 0, height = 0;
    const int count = ImageList_GetImageCount(list);
    if (!ImageList_GetIconSize(list, &width, &height) || width <= 0 || height <= 0 || count <= 0)
        return nullptr;
    HIMAGELIST copy = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, count, 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP image = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool made = copy && image && bits;
    if (made) {
        HGDIOBJ old = SelectObject(dc, image);
        auto* pixels = static_cast<DWORD*>(bits);
        const size_t size = static_cast<size_t>(width) * height;
        for (int i = 0; made && i < count; ++i) {
            for (size_t p = 0; p < size; ++p)
                pixels[p] = 0xFF00FF;  // kKey, as a DIB holds it
            ImageList_Draw(list, i, dc, 0, 0, ILD_NORMAL);
            GdiFlush();
            for (size_t p = 0; p < size; ++p) {
                const DWORD bgr = pixels[p] & 0xFFFFFF;
                const COLORREF colour = RGB(bgr >> 16, (bgr >> 8) & 0xFF, bgr & 0xFF);
                if (colour == kKey)
                    continue;
                const COLORREF changed = Recolour(colour, paint.style.text, paint.style.face);
                pixels[p] = GetBValue(changed) | GetGValue(changed) << 8 | GetRValue(changed) << 16;
            }
            SelectObject(dc, old);
            made = ImageList_AddMasked(copy, image, kKey) == i;
            old = SelectObject(dc, image);
        }
        SelectObject(dc, old);
    }
    if (image)
        DeleteObject(image);
    if (dc)
        DeleteDC(dc);
    if (!made && copy) {
        ImageList_Destroy(copy);
        copy = nullptr;
    }
    return copy;
}

// Gives the tree the skin's copy of a list it was given, keeping the list.
void TakeList(HWND window, WindowData& data, int which, HIMAGELIST given,
              const SkinObjectPaint& paint)
{
    data.givenImages[which] = given;
    HIMAGELIST copy = given ? RecolouredCopy(given, paint) : nullptr;
    DefSubclassProc(window, TVM_SETIMAGELIST, kLists[which],
                    reinterpret_cast<LPARAM>(copy ? copy : given));
    if (data.ownImages[which])
        ImageList_Destroy(data.ownImages[which]);
    data.ownImages[which] = copy;
}

int ListIndex(WPARAM which)
{
    return which == TVSIL_STATE ? 1 : which == TVSIL_NORMAL ? 0 : -1;
}

} // namespace

void ApplyTreeColours(HWND window, WindowData& data, const SkinObjectPaint& paint)
{
    if (!data.coloursSet) {
        data.oldBack = TreeView_GetBkColor(window);
        data.oldText = TreeView_GetTextColor(window);
        data.oldTextBack = TreeView_GetLineColor(window);
    }
    data.coloursSet = true;
    TreeView_SetBkColor(window, paint.style.face);
    TreeView_SetTextColor(window, paint.style.text);
    TreeView_SetLineColor(window, paint.colours.frame);
    if (!paint.full)
        return;
    for (int which = 0; which < 2; ++which) {
        HIMAGELIST held = reinterpret_cast<HIMAGELIST>(
            DefSubclassProc(window, TVM_GETIMAGELIST, kLists[which], 0));
        TakeList(window, data, which, held == data.ownImages[which] ? data.givenImages[which] : held,
                 paint);
    }
}

void RestoreTreeColours(HWND window, WindowData& data)
{
    TreeView_SetBkColor(window, data.oldBack);
    TreeView_SetTextColor(window, data.oldText);
    TreeView_SetLineColor(window, data.oldTextBack);
    for (int which = 0; which < 2; ++which) {
        if (!data.ownImages[which])
            continue;
        DefSubclassProc(window, TVM_SETIMAGELIST, kLists[which],
                        reinterpret_cast<LPARAM>(data.givenImages[which]));
        ImageList_Destroy(data.ownImages[which]);
        data.ownImages[which] = nullptr;
    }
}

LRESULT TreeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                    const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    const int which = ListIndex(wParam);
    if (which >= 0 && message == TVM_SETIMAGELIST) {
        // The caller gets back the list it gave before, never the copy.
        handled = true;
        HIMAGELIST before = data.givenImages[which];
        if (!data.ownImages[which])
            before = reinterpret_cast<HIMAGELIST>(DefSubclassProc(window, TVM_GETIMAGELIST, wParam, 0));
        TakeList(window, data, which, reinterpret_cast<HIMAGELIST>(lParam), paint);
        return reinterpret_cast<LRESULT>(before);
    }
    if (which >= 0 && message == TVM_GETIMAGELIST && data.ownImages[which]) {
        handled = true;
        return reinterpret_cast<LRESULT>(data.givenImages[which]);
    }
    return FieldMessage(window, message, wParam, lParam, data, skin, paint, handled);
}
