#pragma once

#include <windows.h>

// The small status window shown while the setup unpacks: dialog template 103
// with one text, control 1001. The run has no message loop at that time, so
// every text change is painted at once.
class StatusWindow {
public:
    // Without show (a quiet run) there is no window, and every call does
    // nothing.
    explicit StatusWindow(HINSTANCE instance, bool show = true);
    ~StatusWindow() { Close(); }
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    void SetText(const char* text);
    // "Unpacking \"<path>\" file".
    void ShowUnpacking(const char* path);
    void Close();

    // Null when the template could not be loaded or after Close.
    HWND handle() const { return window_; }

private:
    HWND window_;
};
