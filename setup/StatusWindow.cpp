#include "StatusWindow.h"

#include "resource.h"

#include <stdio.h>

StatusWindow::StatusWindow(HINSTANCE instance, bool show)
    : window_(show ? CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_STATUS), nullptr, nullptr, 0)
                   : nullptr)
{
    // Without the window the run still goes on: it only shows progress.
    if (!window_)
        return;
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetText("Prepare installation");
}

void StatusWindow::SetText(const char* text)
{
    if (!window_)
        return;
    SetDlgItemTextA(window_, IDC_STATUS_TEXT, text);
    UpdateWindow(window_);
}

void StatusWindow::ShowUnpacking(const char* path)
{
    char text[MAX_PATH + 32];
    snprintf(text, sizeof text, "Unpacking \"%s\" file", path);
    SetText(text);
}

void StatusWindow::Close()
{
    if (window_)
        DestroyWindow(window_);
    window_ = nullptr;
}
