#pragma once

// Which generic skin object a window is, by its class and style: the
// Windows side of the object table in SkinObjects.h.

#include "SkinObjects.h"

#include <windows.h>

// The generic object for a window, from its class and style, or kNoObject for
// windows the engine leaves alone (owner-drawn buttons, unknown classes).
int ClassifyWindow(HWND window, LONG style);
