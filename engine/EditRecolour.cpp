#include "EditRecolour.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <stdint.h>

namespace {

// Smoothed text blends its colour into the background: a selected letter's
// edge pixels lie between the system's highlight and highlight-text colours.
// Such a pixel takes the same place between the skin's two colours.
class SelectionBlend {
public:
    SelectionBlend(COLORREF background, COLORREF text, COLORREF skinBackground, COLORREF skinText)
    {
        const COLORREF from[] = {background, text}, to[] = {skinBackground, skinText};
        for (int end = 0; end < 2; ++end) {
            from_[end][0] = GetRValue(from[end]), from_[end][1] = GetGValue(from[end]);
            from_[end][2] = GetBValue(from[end]);
            to_[end][0] = GetRValue(to[end]), to_[end][1] = GetGValue(to[end]);
            to_[end][2] = GetBValue(to[end]);
        }
        for (int c = 0; c < 3; ++c) {
            if (abs(from_[1][c] - from_[0][c]) > abs(from_[1][dominant_] - from_[0][dominant_]))
                dominant_ = c;
        }
    }

    // colour as a DIB pixel, 0x00RRGGBB.
    uint32_t Map(uint32_t colour) const
    {
        const int p[3] = {int(colour >> 16 & 0xFF), int(colour >> 8 & 0xFF), int(colour & 0xFF)};
        const int span = from_[1][dominant_] - from_[0][dominant_];
        if (abs(span) < 32)
            return colour;  // the two colours are too close to tell a blend
        const double share = double(p[dominant_] - from_[0][dominant_]) / span;
        if (share <= 0.0 || share >= 1.0)
            return colour;
        int mapped[3];
        for (int c = 0; c < 3; ++c) {
            const double expected = from_[0][c] + share * (from_[1][c] - from_[0][c]);
            if (std::abs(expected - p[c]) > 3.0)
                return colour;  // not on the line between the two
            mapped[c] = int(to_[0][c] + share * (to_[1][c] - to_[0][c]) + 0.5);
        }
        return uint32_t(mapped[0]) << 16 | uint32_t(mapped[1]) << 8 | uint32_t(mapped[2]);
    }

private:
    int from_[2][3];
    int to_[2][3];
    int dominant_ = 0;
};

} // namespace

void PaintEditInSkinColours(HWND window, const SkinObjectPaint& paint)
{
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = width > 0 && height > 0
                         ? CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                         : nullptr;
    HDC memory = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
    if (!memory) {
        // Without a bitmap the control paints as it always does.
        if (bitmap)
            DeleteObject(bitmap);
        DefSubclassProc(window, WM_PAINT, 0, 0);
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HGDIOBJ old = SelectObject(memory, bitmap);
    DefSubclassProc(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                    PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    // DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
    auto pixel = [](COLORREF c) {
        return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    };
    // A single-line edit with WS_BORDER draws that border itself, in the
    // window-frame colour. A system colour that the skin also uses for the
    // field's face or text stays as it is.
    const std::pair<int, COLORREF> wanted[] = {
        {COLOR_HIGHLIGHT, paint.colours.selection},
        {COLOR_HIGHLIGHTTEXT, paint.colours.selectionText},
        {COLOR_GRAYTEXT, paint.style.disabled},
        {COLOR_WINDOWFRAME, paint.colours.frame},
    };
    std::vector<std::pair<uint32_t, uint32_t>> swaps;
    for (const auto& want : wanted) {
        const COLORREF system = GetSysColor(want.first);
        if (system != paint.style.face && system != paint.style.text)
            swaps.emplace_back(pixel(system), pixel(want.second));
    }
    const SelectionBlend blend(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT),
                               paint.colours.selection, paint.colours.selectionText);
    uint32_t* at = static_cast<uint32_t*>(bits);
    // Blends count only where the selection is: inside the rectangle of the
    // highlight's own pixels, and never the field's face.
    const uint32_t highlight = pixel(GetSysColor(COLOR_HIGHLIGHT)), face = pixel(paint.style.face);
    RECT selected = {width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((at[size_t(y) * width + x] & 0xFFFFFF) == highlight) {
                selected.left = std::min<LONG>(selected.left, x);
                selected.top = std::min<LONG>(selected.top, y);
                selected.right = std::max<LONG>(selected.right, x + 1);
                selected.bottom = std::max<LONG>(selected.bottom, y + 1);
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t& here = at[size_t(y) * width + x];
            const uint32_t colour = here & 0xFFFFFF;
            bool swapped = false;
            for (const auto& swap : swaps) {
                if (colour == swap.first) {
                    here = swap.second;
                    swapped = true;
                    break;
                }
            }
            if (!swapped && colour != face && x >= selected.left && x < selected.right &&
                y >= selected.top && y < selected.bottom)
                here = blend.Map(colour);
        }
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    EndPaint(window, &ps);
}
