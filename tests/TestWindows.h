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

// Where the caption's close button answers the mouse, in screen
// coordinates: the first run of it along the caption's middle row, as high
// as it answers at that run's middle. Empty when it answers nowhere.
RECT CloseButtonPlace(HWND window);
// Whether the close button lies in the caption's left half (left) or right.
bool CloseButtonAt(HWND window, bool left);
// Gives the window and its children the styles Windows Installer gives a
// page authored right to left (RTLRO, RightAligned, LeftScroll), which
// Wine's installer leaves off.
void MakeRightToLeft(HWND page);

// A path under the machine's Program Files folder, where products install.
std::string ProgramFilesPath(const std::string& rest);
