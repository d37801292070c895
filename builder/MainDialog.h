#pragma once

#include <windows.h>

// The main window's dialog procedure, for dialog template 101. The window
// never ends its dialog box: closing it ends the process (EndBuilder).
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the progress bar's class and shows the main window as a modal
// dialog box. Returns only when the window could not be shown.
INT_PTR ShowMainWindow();

// Destroys the main window, if there is one, and ends the process with exit
// code 0.
[[noreturn]] void EndBuilder();
