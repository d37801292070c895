#pragma once

// The DPI a window is shown at, and the skin's lengths, all given for
// 96 DPI, at that DPI. A per-monitor aware process sees each monitor's own.

#include <windows.h>

constexpr int kBaseDpi = 96;

// GetDpiForWindow where Windows has it (10, version 1607 on), else the
// screen's, which is the DPI of every window before that.
int WindowDpi(HWND window);
// A system metric as the system measures it for windows at that DPI.
int SystemMetricAt(int index, int dpi);

inline int AtDpi(int length, int dpi)
{
    return MulDiv(length, dpi, kBaseDpi);
}

// The scale in percent a window at that DPI is drawn at.
inline int ScaleAt(int dpi)
{
    return MulDiv(dpi, 100, kBaseDpi);
}
