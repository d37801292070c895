#pragma once

// The non-client area of a skinned top-level window: frame, caption bar,
// caption text and the caption buttons, drawn entirely by the engine so that
// none of the system's frame shows (skins of format 2), or only a caption bar
// drawn over the system's (format 1). Sizes stay the system's, so the client
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

// Format 1: the caption bar of a frame-skinned dialog, in the frame object's
// border colour with the caption in its face colour and font, drawn over the
// system's caption once the system has drawn the frame.
void PaintClassicCaption(HWND window, const SkinObjectPaint& paint);
