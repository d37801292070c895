#pragma once

// What a window is, by its class and style: the Windows side of the object
// table in SkinObjects.h. The class name is read and compared here only.

#include "SkinObjects.h"

#include <windows.h>

// The window classes the engine tells apart.
enum class WindowClass {
    Other,
    Dialog,     // "#32770"
    Button,
    Static,
    Edit,
    RichEdit,   // any version of the rich edit control
    ListBox,
    ComboLBox,  // the list a combo box drops down
    TreeView,
    Header,     // the column header of a list view
    ComboBox,
    ListView,
    Progress,
    ScrollBar,
};

WindowClass IdentifyClass(HWND window);

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

// A text static that Windows Installer marks transparent (its
// msidbControlAttributesTransparent attribute, which it creates as
// WS_EX_TRANSPARENT): it shows what lies beneath it, the page's banner or
// side picture, instead of a face of its own.
bool IsTransparentText(HWND window);

// A static that shows a bitmap.
bool IsBitmapStatic(HWND window);

// Whether the window reads right to left: mirrored (WS_EX_LAYOUTRTL), or in
// right-to-left reading order (WS_EX_RTLREADING), as Windows Installer makes
// the pages and controls authored so.
bool ReadsRightToLeft(HWND window);
