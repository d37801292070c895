#pragma once

// A tree view's item images in the skin's colours. Windows Installer's
// feature tree shows its state icons (installed, absent, on demand) from a
// list of black-on-white bitmaps, which would stand white on a skinned
// field: the tree is given a copy of each list whose greys run from the
// skin's text colour to its face instead, and gets its own back on release.

#include "ControlClass.h"

MessageFunction TreeMessage;
void ApplyTreeColours(HWND window, WindowData& data, const SkinObjectPaint& paint);
void RestoreTreeColours(HWND window, WindowData& data);
