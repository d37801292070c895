#pragma once

// How the engine skins one class of control: the message handler, the window
// state it sets and puts back, and the messages on which the control draws at
// once, outside WM_PAINT. A window's class is chosen once, when it is given
// its object, from the object's kind and the window's class and style.

#include "Skin.h"
#include "SkinObjects.h"

#include <windows.h>
#include <commctrl.h>

#include <cstddef>

struct WindowData;

// A class's handling of one message; handled false hands the message on to
// the control. Handlers are declared by this type: MessageFunction Name;
using MessageFunction = LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                WindowData& data, const Skin& skin, const SkinObjectPaint& paint,
                                bool& handled);
using MessageHandler = MessageFunction*;
// Sets the control's own colours to the skin's, keeping its own in data.
using ApplyState = void (*)(HWND window, WindowData& data, const SkinObjectPaint& paint);
// Puts back what ApplyState kept.
using RestoreState = void (*)(HWND window, WindowData& data);
// The colours of one item a view is about to draw (its CDDS_ITEMPREPAINT
// note to the dialog); the result is the note's answer.
using ItemColours = LRESULT (*)(NMCUSTOMDRAW& draw, const SkinObjectPaint& paint);

struct MessageList {
    const UINT* messages = nullptr;
    size_t count = 0;

    bool Has(UINT message) const
    {
        for (size_t i = 0; i < count; ++i) {
            if (messages[i] == message)
                return true;
        }
        return false;
    }
};

template <size_t N>
constexpr MessageList Messages(const UINT (&messages)[N])
{
    return {messages, N};
}

struct ControlClass {
    MessageHandler handle = nullptr;  // null: every message goes to the control
    // Handled only in skins that draw whole controls (format 2); in older
    // ones the control draws itself in the colours the dialog gives it.
    bool wholeSkinsOnly = false;
    bool takesFont = true;  // the skin object's font replaces the window's
    ApplyState apply = nullptr;
    RestoreState restore = nullptr;
    // Passed to the control, then repainted in the skin.
    MessageList repaintAfter;
    // Passed to the control with its drawing held, then repainted.
    MessageList drawHeld;
    ItemColours itemColours = nullptr;
};

// The class for a window that is given an object of this kind.
const ControlClass& ChooseControlClass(HWND window, SkinKind kind);
