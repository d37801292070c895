#pragma once

// What a window shows on the screen, read back through its window DC into a
// 32-bit DIB, for pixel checks and for PNG files a person can look at.

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

struct WindowCapture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // top-down rows, 0x00RRGGBB

    bool empty() const { return pixels.empty(); }
    // The pixel at window coordinates (from the window's top-left corner).
    COLORREF At(int x, int y) const;
    // Pixels of exactly this colour inside the rectangle (window coordinates).
    int Count(const RECT& area, COLORREF colour) const;
    // The share of pixels outside the excluded rectangles (window
    // coordinates) whose colour is one of these; 0 when nothing is left.
    double ShareOf(const std::unordered_set<COLORREF>& colours,
                   const std::vector<RECT>& excluded) const;
    // Writes an RGB PNG (zlib for the image data).
    bool SavePng(const std::string& path) const;
};

// A PNG file of top-down rows of 8-bit RGB (3 channels) or RGBA (4)
// pixels; empty if the sizes do not fit.
std::string PngBytes(int width, int height, int channels, const std::string& pixels);

// Every colour Windows draws its own chrome in: GetSysColor of each COLOR_*
// index, and every shade of the active and inactive caption gradients.
std::unordered_set<COLORREF> SystemColours();
// The share (0 to 1) of the capture's pixels, outside the excluded rectangles
// (window coordinates, e.g. authored bitmaps), that show one of those colours.
double SystemColourShare(const WindowCapture& shot, const std::vector<RECT>& excluded = {});

// Brings the window to the top, lets it paint, and reads it back.
WindowCapture CaptureWindow(HWND window);
// The window as it stands, repainted but neither raised nor activated.
WindowCapture ReadWindow(HWND window);
// The same for a window of another process, read from the screen once the
// window has had this long to come to the top and repaint.
WindowCapture CaptureFromScreen(HWND window, DWORD settleMilliseconds = 1500);
// The rectangle of a child in the coordinates of its top-level window.
RECT RectInWindow(HWND topLevel, HWND child);
// Handles the thread's pending messages for about this long.
void PumpMessages(DWORD milliseconds);
// Keeps the picture as a PNG file of this name in the build's screenshots
// folder, for a person to look at; a picture that cannot be written fails
// the test.
void SaveShot(const WindowCapture& shot, const std::string& name);
// Removes the pictures of earlier runs that match the pattern (* and ?), so
// that what the folder holds of a series comes from one run.
void ForgetShots(const std::string& pattern);
