#include "SkinPainter.h"

namespace {

HBRUSH FaceFor(const SkinObjectPaint& paint, ButtonLook look)
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

void PaintImageFrame(HDC dc, const RECT& area, const SkinObjectPaint& paint, ButtonLook look)
{
    const SkinStyle& style = paint.style;
    const int frame = style.imageStates == 4 ? static_cast<int>(look) : 0;
    MemoryDc source(dc, paint.image.bitmap.get());
    if (!source.get())
        return;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
               source.get(), frame * style.frameWidth, 0, style.frameWidth, style.frameHeight,
               SRCCOPY);
}

void PaintPlainFace(HDC dc, const RECT& area, const SkinObjectPaint& paint,
                    const ButtonPaintState& state)
{
    FillRect(dc, &area, FaceFor(paint, state.look));
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
        PaintImageFrame(dc, area, paint, state.look);
    else
        PaintPlainFace(dc, area, paint, state);

    if (state.text && *state.text) {
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
        InflateRect(&focus, -3, -3);
        SetTextColor(dc, paint.style.text);
        DrawFocusRect(dc, &focus);
    }
}

void PaintBackground(HDC dc, const RECT& area, const SkinObjectPaint& paint)
{
    FillRect(dc, &area, paint.face.get());
}
