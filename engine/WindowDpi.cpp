#include "WindowDpi.h"

namespace {

template <typename Function>
Function FromUser32(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : kBaseDpi;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

} // namespace

int WindowDpi(HWND window)
{
    // Looked up on each call: a function-local static would cost the library
    // a guard that outlives its unloading.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto forWindow = FromUser32<GetDpiForWindowFunction>("GetDpiForWindow");
    if (forWindow && window) {
        if (const UINT dpi = forWindow(window))
            return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int SystemMetricAt(int index, int dpi)
{
    using ForDpiFunction = int(WINAPI*)(int, UINT);
    const auto forDpi = FromUser32<ForDpiFunction>("GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}
