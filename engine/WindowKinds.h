#pragma once

// Which generic skin object a window is, by its class and style: the
// Windows side of the object table in SkinObjects.h.

#include "SkinObjects.h"

#include <windows.h>

// The generic object for a window, from its class and style, or kNoObject for
// windows the engine leaves alone (owner-drawn buttons, unknown classes).
int ClassifyWindow(HWND window, LONG style);

// The picture object (Banner or SideImage) that a bitmap static of a dialog
// page stands for, from where it lies in its parent's client area (placed,
// in the parent's client coordinates), or kNoObject:
// - a banner lies along the top edge across the whole width, at most a third
//   of the height tall;
// - a side picture lies at the top-left corner and runs at least three fifths
//   of the height down (a full-page picture is one too).
// An edge counts as reached within 2% of the client size, 2 pixels at least,
// which absorbs the rounding of dialog units.
int ClassifyPicture(LONG style, const RECT& placed, const RECT& parentClient);

// The same for a window that exists: its place read from the window.
int ClassifyPicture(HWND window, LONG style);
