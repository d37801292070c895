#pragma once

// A plain edit control draws its selection in the system's highlight colours
// and disabled text in its grey, whatever the dialog answers for the field.
// It paints itself into a bitmap here; those colours are then exchanged for
// the skin's before the bitmap reaches the screen. In place of WM_PAINT.

#include "Skin.h"

void PaintEditInSkinColours(HWND window, const SkinObjectPaint& paint);
