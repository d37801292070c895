#pragma once

#include <windows.h>

// Windows Installer, loaded from the system folder by full path rather than
// imported, so no msi.dll lying beside the setup can stand in for it.
class WindowsInstaller {
public:
    WindowsInstaller() = default;
    ~WindowsInstaller();
    WindowsInstaller(const WindowsInstaller&) = delete;
    WindowsInstaller& operator=(const WindowsInstaller&) = delete;

    // False when msi.dll or one of its three functions is missing.
    bool Load(const char* systemFolder);

    // Installs the package at the user-interface level given. With a log
    // file the installer appends its log to it; properties is the property
    // text, possibly empty. Returns the installer's own result.
    UINT Install(const char* packagePath, const char* logFile, const char* properties,
                 int uiLevel);

private:
    typedef UINT(WINAPI* EnableLogFn)(DWORD mode, LPCSTR logFile, DWORD attributes);
    typedef int(WINAPI* SetInternalUIFn)(int level, HWND* window);
    typedef UINT(WINAPI* InstallProductFn)(LPCSTR packagePath, LPCSTR properties);

    HMODULE module_ = nullptr;
    EnableLogFn enableLog_ = nullptr;
    SetInternalUIFn setInternalUI_ = nullptr;
    InstallProductFn installProduct_ = nullptr;
};
