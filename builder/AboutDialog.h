#pragma once

#include <windows.h>

// The About box's dialog procedure, for dialog template 103.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
