#pragma once

// Drawing of what the engine paints itself: push buttons (plain or from an
// image strip) and backgrounds.

#include "Skin.h"

enum class ButtonLook { Normal = 0, Hot = 1, Pressed = 2, Disabled = 3 };

struct ButtonPaintState {
    ButtonLook look = ButtonLook::Normal;
    bool focused = false;
    bool isDefault = false;
    const wchar_t* text = L"";
    HFONT windowFont = nullptr;  // used when the skin object names no font
};

void PaintPushButton(HDC dc, const RECT& area, const SkinObjectPaint& paint,
                     const ButtonPaintState& state);
void PaintBackground(HDC dc, const RECT& area, const SkinObjectPaint& paint);
