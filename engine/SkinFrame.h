#pragma once

// The non-client area of a skinned top-level window: frame, caption bar,
// caption text and the caption buttons, drawn entirely by the engine so that
// none of the system's frame shows. Sizes stay the system's, so the client
// area is where the program expects it.

#include "Skin.h"

struct FrameState {
    bool active = true;
    WPARAM hot = 0;       // HTCLOSE or HTMINBUTTON under the mouse, or 0
    WPARAM tracking = 0;  // the caption button held down with the mouse, or 0
    bool pressed = false; // the held button is under the mouse
    bool leaveTracked = false;
};

// Handles the frame's messages for a top-level window; false hands the
// message on unchanged.
bool FrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, FrameState& state,
                  const SkinObjectPaint& paint, LRESULT& result);

void PaintFrame(HWND window, const FrameState& state, const SkinObjectPaint& paint);
