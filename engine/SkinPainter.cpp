#include "SkinPainter.h"

#include "WindowDpi.h"

#include <algorithm>

#include <stdint.h>

namespace {

HBRUSH FaceBrush(const SkinObjectPaint& paint, ButtonLook look)
{
    switch (look) {
    case ButtonLook::Hot:
        return paint.hot.get();
    case ButtonLook::Pressed:
        return paint.pressed.get();
    default:
        return paint.face.get();
    }
}

void PaintImageFrame(HDC dc, const RECT& area, const SkinObjectPaint& paint, ButtonLook look,
                     int dpi)
{
    const SkinStyle& style = paint.style;
    const int frame = style.imageStates == 4 ? static_cast<int>(look) : 0;
    PaintImageSlice(dc, area, paint.image, frame, style.frameWidth, style.frameHeight,
                    style.margins, dpi);
}

void PaintPlainFace(HDC dc, const RECT& area, const SkinObjectPaint& paint,
                    const ButtonPaintState& state)
{
    FillRect(dc, &area, FaceBrush(paint, state.look));
    if (paint.full && state.look == ButtonLook::Disabled)
        FillColour(dc, area, BlendColour(paint.style.face, paint.style.disabled, 15));
    FrameRect(dc, &area, paint.border.get());
    if (state.isDefault) {
        RECT inner = area;
        InflateRect(&inner, -1, -1);
        FrameRect(dc, &inner, paint.border.get());
    }
}

} // namespace

void PaintPushButton(HDC dc, const RECT& area, const SkinObjectPaint& paint,
                     const ButtonPaintState& state)
{
    if (paint.image.bitmap)
        PaintImageFrame(dc, area, paint, state.look, state.dpi);
    else
        PaintPlainFace(dc, area, paint, state);

    if (state.picture) {
        // The picture is the package's own, shown as it is, greyed by the
        // system when the button is disabled.
        int width = 0, height = 0;
        if (state.pictureIsIcon) {
            ICONINFO info = {};
            if (GetIconInfo(static_cast<HICON>(state.picture), &info)) {
                BITMAP bitmap = {};
                GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
                width = bitmap.bmWidth;
                height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
                if (info.hbmColor)
                    DeleteObject(info.hbmColor);
                if (info.hbmMask)
                    DeleteObject(info.hbmMask);
            }
        } else {
            BITMAP bitmap = {};
            if (GetObjectW(state.picture, sizeof bitmap, &bitmap)) {
                width = bitmap.bmWidth;
                height = bitmap.bmHeight;
            }
        }
        const int offset = state.look == ButtonLook::Pressed ? 1 : 0;
        const int x = (area.left + area.right - width) / 2 + offset;
        const int y = (area.top + area.bottom - height) / 2 + offset;
        DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(state.picture), 0, x, y, width,
                   height, (state.pictureIsIcon ? DST_ICON : DST_BITMAP) |
                               (state.look == ButtonLook::Disabled ? DSS_DISABLED : DSS_NORMAL));
    } else if (state.text && *state.text) {
        HFONT font = paint.font ? paint.font.get() : state.windowFont;
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, state.look == ButtonLook::Disabled ? paint.style.disabled
                                                            : paint.style.text);
        RECT text = area;
        if (state.look == ButtonLook::Pressed)
            OffsetRect(&text, 1, 1);
        DrawTextW(dc, state.text, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if (oldFont)
            SelectObject(dc, oldFont);
    }
    if (state.focused) {
        RECT focus = area;
        InflateRect(&focus, -AtDpi(3, state.dpi), -AtDpi(3, state.dpi));
        if (paint.full) {
            PaintFocusCue(dc, focus, paint.colours.focus, state.dpi);
        } else {
            SetTextColor(dc, paint.style.text);
            DrawFocusRect(dc, &focus);
        }
    }
}

void PaintDialogBackground(HDC dc, const RECT& area, POINT origin, SIZE client,
                           const SkinObjectPaint& paint, int dpi)
{
    const SkinImageSize& image = *ImageForDpi(paint.background, dpi).drawing;
    if (!image.bitmap || !paint.full) {
        FillRect(dc, &area, paint.face.get());
        return;
    }
    MemoryDc source(dc, image.bitmap.get());
    if (!source.get()) {
        FillRect(dc, &area, paint.face.get());
        return;
    }
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    // The image lies over the dialog's whole client area, whose origin is at
    // -origin in this DC.
    const int left = -origin.x, top = -origin.y;
    if (paint.style.tileBackground) {
        // A tile is a texture: laid at its drawing's own size, as the brush
        // that labels take is (LendTile). Only the tiles that meet the area:
        // a small tile on a large window would otherwise cost a loop over
        // the whole window for every control.
        const int firstX = std::max(0, int((area.left - left) / image.width * image.width));
        const int firstY = std::max(0, int((area.top - top) / image.height * image.height));
        for (int y = firstY; y < client.cy && top + y < area.bottom; y += image.height) {
            for (int x = firstX; x < client.cx && left + x < area.right; x += image.width)
                BitBlt(dc, left + x, top + y, image.width, image.height, source.get(), 0, 0, SRCCOPY);
        }
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, left, top, client.cx, client.cy, source.get(), 0, 0, image.width,
                   image.height, SRCCOPY);
    }
    RestoreDC(dc, saved);
}

ChosenImage ImageForDpi(const SkinImage& image, int dpi)
{
    const int wanted = ScaleAt(dpi);
    // The drawings the skin has, smallest first.
    ChosenImage drawings[3] = {{&image, 100}};
    int count = 1;
    for (int i = 0; i < 2; ++i) {
        if (image.larger[i].bitmap)
            drawings[count++] = {&image.larger[i], kLargerScales[i]};
    }
    for (int i = 0; i < count; ++i) {
        if (drawings[i].scale >= wanted)
            return drawings[i];  // the exact one, or the next larger
    }
    return drawings[count - 1];  // the largest, scaled up
}

COLORREF BlendColour(COLORREF from, COLORREF to, int percentOfTo)
{
    auto mix = [percentOfTo](int a, int b) { return (a * (100 - percentOfTo) + b * percentOfTo) / 100; };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

void FillColour(HDC dc, const RECT& area, COLORREF colour)
{
    // The DC brush needs no GDI object of its own per colour.
    const COLORREF old = SetDCBrushColor(dc, colour);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, old);
}

void FrameColour(HDC dc, const RECT& area, COLORREF colour)
{
    const COLORREF old = SetDCBrushColor(dc, colour);
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, old);
}

void FillGradient(HDC dc, const RECT& area, COLORREF from, COLORREF to)
{
    const int width = area.right - area.left;
    if (from == to || width < 2) {
        FillColour(dc, area, from);
        return;
    }
    for (int x = 0; x < width; ++x) {
        const RECT column = {area.left + x, area.top, area.left + x + 1, area.bottom};
        FillColour(dc, column, BlendColour(from, to, x * 100 / (width - 1)));
    }
}

void PaintImageSlice(HDC dc, const RECT& area, const SkinImage& image, int frame, int frameWidth,
                     int frameHeight, const int margins[4], int dpi, bool mirrored)
{
    if (mirrored) {
        PaintMirrored(dc, area, [&](HDC into, const RECT& all) {
            PaintImageSlice(into, all, image, frame, frameWidth, frameHeight, margins, dpi);
        });
        return;
    }
    const ChosenImage chosen = ImageForDpi(image, dpi);
    MemoryDc source(dc, chosen.drawing->bitmap.get());
    if (!source.get())
        return;
    // The drawing's own frames and margins, at the scale it was made for;
    // the margins on screen, at the window's.
    const int fw = AtScale(frameWidth, chosen.scale), fh = AtScale(frameHeight, chosen.scale);
    int from[4], to[4];
    for (int i = 0; i < 4; ++i) {
        from[i] = AtScale(margins[i], chosen.scale);
        to[i] = AtDpi(margins[i], dpi);
    }
    const int width = area.right - area.left, height = area.bottom - area.top;
    // A drawing at another scale than the window's is resampled, not thinned.
    const bool resampled = chosen.scale != ScaleAt(dpi);
    POINT brushOrigin;
    const int oldMode = SetStretchBltMode(dc, resampled ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, &brushOrigin);
    const int sx = frame * fw;
    // Corners keep their size unless the area is smaller than both together.
    const int left = std::min(to[0], width / 2), right = std::min(to[2], width - left);
    const int top = std::min(to[1], height / 2), bottom = std::min(to[3], height - top);
    const int srcX[3] = {sx, sx + from[0], sx + fw - from[2]};
    const int srcW[3] = {from[0], fw - from[0] - from[2], from[2]};
    const int srcY[3] = {0, from[1], fh - from[3]};
    const int srcH[3] = {from[1], fh - from[1] - from[3], from[3]};
    const int dstX[3] = {area.left, area.left + left, area.right - right};
    const int dstW[3] = {left, width - left - right, right};
    const int dstY[3] = {area.top, area.top + top, area.bottom - bottom};
    const int dstH[3] = {top, height - top - bottom, bottom};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (dstW[column] <= 0 || dstH[row] <= 0 || srcW[column] <= 0 || srcH[row] <= 0)
                continue;
            StretchBlt(dc, dstX[column], dstY[row], dstW[column], dstH[row], source.get(),
                       srcX[column], srcY[row], srcW[column], srcH[row], SRCCOPY);
        }
    }
    SetBrushOrgEx(dc, brushOrigin.x, brushOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
}

void PaintImageCover(HDC dc, const RECT& area, const SkinImage& all, int dpi)
{
    const SkinImageSize& image = *ImageForDpi(all, dpi).drawing;
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0 || image.width <= 0 || image.height <= 0)
        return;
    MemoryDc source(dc, image.bitmap.get());
    if (!source.get())
        return;
    if (width == image.width && height == image.height) {
        BitBlt(dc, area.left, area.top, width, height, source.get(), 0, 0, SRCCOPY);
        return;
    }
    // The part of the image with the area's proportions: its whole width when
    // the area is relatively wider than the image, else its whole height.
    int sx = 0, sy = 0, sw = image.width, sh = image.height;
    if (int64_t(width) * image.height >= int64_t(height) * image.width) {
        sh = std::max(1, int(int64_t(height) * image.width / width));
        sy = (image.height - sh) / 2;
    } else {
        sw = std::max(1, int(int64_t(width) * image.height / height));
        sx = (image.width - sw) / 2;
    }
    POINT brushOrigin;
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, &brushOrigin);
    StretchBlt(dc, area.left, area.top, width, height, source.get(), sx, sy, sw, sh, SRCCOPY);
    SetBrushOrgEx(dc, brushOrigin.x, brushOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
}

void PaintMirrored(HDC dc, const RECT& area, const std::function<void(HDC, const RECT&)>& paint)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    const OffscreenDc offscreen(dc, width, height);
    if (HDC memory = offscreen.get()) {
        paint(memory, {0, 0, width, height});
        StretchBlt(dc, area.right - 1, area.top, -width, height, memory, 0, 0, width, height,
                   SRCCOPY);
    }
}

void PaintFocusCue(HDC dc, const RECT& area, COLORREF colour, int dpi)
{
    // Dots of n by n pixels, n apart.
    const int n = std::max(1, (dpi + kBaseDpi - 1) / kBaseDpi);
    auto dot = [&](int x, int y) {
        const RECT square = {x, y, std::min<int>(x + n, area.right), std::min<int>(y + n, area.bottom)};
        FillColour(dc, square, colour);
    };
    for (int x = area.left; x < area.right; x += 2 * n) {
        dot(x, area.top);
        dot(x, area.bottom - n);
    }
    for (int y = area.top; y < area.bottom; y += 2 * n) {
        dot(area.left, y);
        dot(area.right - n, y);
    }
}
