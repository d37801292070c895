#include "SystemLook.h"

#include <windows.h>

#include <string.h>

namespace {

// Windows' own setting for apps: 0 asks for dark, 1 or no value for light.
bool AppsUseDarkTheme()
{
    DWORD light = 1;
    DWORD size = sizeof(light);
    const LSTATUS status = RegGetValueW(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
        L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size);
    return status == ERROR_SUCCESS && light == 0;
}

bool HighContrastOn()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

} // namespace

SystemLook ReadSystemLook()
{
    SystemLook look;
    look.dark = AppsUseDarkTheme();
    look.highContrast = HighContrastOn();
    return look;
}

bool ChangesSystemLook(unsigned action, intptr_t area, bool unicode)
{
    if (action == SPI_SETHIGHCONTRAST)
        return true;
    if (!area)
        return false;
    return unicode ? wcscmp(reinterpret_cast<const wchar_t*>(area), L"ImmersiveColorSet") == 0
                   : strcmp(reinterpret_cast<const char*>(area), "ImmersiveColorSet") == 0;
}
