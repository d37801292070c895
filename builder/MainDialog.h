#pragma once

#include <windows.h>

// The main window's dialog procedure, for dialog template 101.
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
