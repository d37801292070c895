#pragma once

#include <windows.h>

#include <string>

// Readings of windows, this process's or another's, that several tests share.
std::string CaptionOf(HWND window);
std::string ClassOf(HWND window);

// A path under the machine's Program Files folder, where products install.
std::string ProgramFilesPath(const std::string& rest);
