#pragma once

// A skinned dialog: its face, and the colours its controls ask it for with
// WM_CTLCOLOR* and with the views' custom-draw notes.

#include "SkinControls.h"
#include "WindowData.h"

MessageFunction DialogMessage;

// The dialog face a control stands on, from the nearest skinned dialog among
// its ancestors, or the skin's generic dialog object.
FaceSource StandingFace(HWND control, const Skin& skin);

// A window's place in its parent's client area.
RECT PlaceInParent(HWND window);
