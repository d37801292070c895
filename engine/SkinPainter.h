#pragma once

// Drawing of what the engine paints itself: push buttons (plain or from an
// image strip), backgrounds, and the primitives the other painters share.

#include "Skin.h"

#include <functional>

enum class ButtonLook { Normal = 0, Hot = 1, Pressed = 2, Disabled = 3 };

struct ButtonPaintState {
    ButtonLook look = ButtonLook::Normal;
    bool focused = false;
    bool isDefault = false;
    const wchar_t* text = L"";
    HFONT windowFont = nullptr;  // used when the skin object names no font
    // An icon or bitmap button's picture, drawn in the middle instead of text.
    HANDLE picture = nullptr;
    bool pictureIsIcon = false;
    int dpi = 96;  // the button's
};

void PaintPushButton(HDC dc, const RECT& area, const SkinObjectPaint& paint,
                     const ButtonPaintState& state);

// Dialog face, or its background image stretched or tiled over the dialog's
// client area; origin is the place in that client area of the DC's (0, 0).
void PaintDialogBackground(HDC dc, const RECT& area, POINT origin, SIZE client,
                           const SkinObjectPaint& paint, int dpi);

// The drawing of an image to paint at a DPI: the one drawn for that scale,
// else the next larger one (scaled down), else the largest (scaled up).
// scale: the scale in percent that drawing was made for.
struct ChosenImage {
    const SkinImageSize* drawing;
    int scale;
};
ChosenImage ImageForDpi(const SkinImage& image, int dpi);

COLORREF BlendColour(COLORREF from, COLORREF to, int percentOfTo);
void FillColour(HDC dc, const RECT& area, COLORREF colour);
void FrameColour(HDC dc, const RECT& area, COLORREF colour);
// Left to right from one colour to the other.
void FillGradient(HDC dc, const RECT& area, COLORREF from, COLORREF to);
// One frame of an image strip at a DPI, its margins kept at their size for
// that DPI and the rest stretched. The frame size and margins are those of
// the 100% drawing.
// mirrored: drawn right to left, as on a page that reads so.
void PaintImageSlice(HDC dc, const RECT& area, const SkinImage& image, int frame, int frameWidth,
                     int frameHeight, const int margins[4], int dpi, bool mirrored = false);
// The image's drawing for the DPI over the whole area, scaled to cover it
// with its proportions kept, what overflows cut off evenly on both sides; at
// its own size it is copied pixel for pixel.
void PaintImageCover(HDC dc, const RECT& area, const SkinImage& image, int dpi);
// What paint draws over the area as it reads left to right, turned over:
// as on a page that reads right to left.
void PaintMirrored(HDC dc, const RECT& area, const std::function<void(HDC, const RECT&)>& paint);
// A dotted rectangle in one colour, one pixel thick per 96 DPI begun: the
// focus cue, which unlike the system's inverted one shows only skin colours.
void PaintFocusCue(HDC dc, const RECT& area, COLORREF colour, int dpi);
