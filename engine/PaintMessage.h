#pragma once

#include <windows.h>

// WM_PAINT and WM_PRINTCLIENT end in one painter, on the screen's device
// context or the one the caller prints into. False for other messages.
template <typename Painter>
bool PaintsWith(HWND window, UINT message, WPARAM wParam, Painter paintInto)
{
    if (message == WM_PRINTCLIENT) {
        paintInto(reinterpret_cast<HDC>(wParam));
        return true;
    }
    if (message != WM_PAINT)
        return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc)
        paintInto(dc);
    EndPaint(window, &ps);
    return true;
}
