#pragma once

// What the engine keeps for one skinned window, hung on its subclass, and
// the few things every control class's handler needs to reach it.

#include "ControlClass.h"
#include "GdiHandle.h"
#include "SkinFrame.h"
#include "SkinObjects.h"

#include <windows.h>

struct WindowData {
    int object = kNoObject;
    // The object whose caption bar the frame shows: named with flag 1, and
    // kept when a later call names the object for the window's face.
    int frameObject = kNoObject;
    // Chosen when the object is set, from its kind and the window's class.
    const ControlClass* control = nullptr;
    bool hot = false;
    bool fontSet = false;
    HFONT oldFont = nullptr;
    bool coloursSet = false;
    COLORREF oldBack = CLR_DEFAULT;
    COLORREF oldText = CLR_DEFAULT;
    COLORREF oldTextBack = CLR_DEFAULT;
    FrameState frame;
    // The scroll bars as last drawn, to notice when the system has drawn them.
    SCROLLINFO scroll[2] = {};
    // A dialog's copy of the skin's tiled background, lent to its controls.
    BrushHandle lentTile;
};

// The data of a window that the engine skins, or null. Own thread only.
WindowData* DataOf(HWND window);

inline SkinKind KindOf(int object)
{
    return SkinObjectAt(object).kind;
}
