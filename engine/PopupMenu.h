#pragma once

// Pop-up menus that a skinned window opens (the installer's feature tree
// opens one on each feature): while the menu is open its items are owner-
// drawn by the engine in the window's skin colours, on the skin's face, and
// the menu window's edge is drawn in the skin's frame colour. When the menu
// closes, its items get back their own types and data, so a program that
// keeps its menu finds it as it made it.

#include "Skin.h"

#include <windows.h>

// The menu messages a skinned window gets: WM_INITMENUPOPUP,
// WM_UNINITMENUPOPUP, WM_EXITMENULOOP, WM_ENTERIDLE, and WM_MEASUREITEM and
// WM_DRAWITEM for the items the engine made owner-drawn. handled false for
// every other message, and for the window's own owner-drawn items.
LRESULT PopupMenuMessage(HWND owner, UINT message, WPARAM wParam, LPARAM lParam,
                         const Skin& skin, const SkinObjectPaint& paint, bool& handled);
