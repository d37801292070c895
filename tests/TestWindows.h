#pragma once

#include <windows.h>

#include <string>

// Readings of windows, this process's or another's, that several tests share.
std::string CaptionOf(HWND window);
std::string ClassOf(HWND window);
// The window's text read without a message to its thread, which may be busy.
std::string InternalTextOf(HWND window);
// The texts of all the window's children, each followed by "|".
std::string ChildTexts(HWND window);
// The first child, at any depth, with this text and, when one is given, this
// window class (without regard to case); null when there is none.
HWND ChildWithText(HWND parent, const std::string& text, const char* className = nullptr);

// Whether the caption's close button answers the mouse at the caption's
// left end (left) or right end.
bool CloseButtonAt(HWND window, bool left);
// Gives the window and its children the styles Windows Installer gives a
// page authored right to left (RTLRO, RightAligned, LeftScroll), which
// Wine's installer leaves off.
void MakeRightToLeft(HWND page);

// A path under the machine's Program Files folder, where products install.
std::string ProgramFilesPath(const std::string& rest);
