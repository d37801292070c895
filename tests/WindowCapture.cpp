#include "WindowCapture.h"

#include "TestFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

void PutBig32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

void PutChunk(std::string& out, const char* type, const std::string& data)
{
    PutBig32(out, static_cast<uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    PutBig32(out, static_cast<uint32_t>(
                      crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

} // namespace

COLORREF WindowCapture::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
}

int WindowCapture::Count(const RECT& area, COLORREF colour) const
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x)
            count += At(x, y) == colour;
    }
    return count;
}

double WindowCapture::ShareOf(const std::unordered_set<COLORREF>& colours,
                              const std::vector<RECT>& excluded) const
{
    long total = 0, matching = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const POINT point = {x, y};
            bool inside = false;
            for (const RECT& area : excluded)
                inside = inside || PtInRect(&area, point);
            if (inside)
                continue;
            ++total;
            matching += colours.count(At(x, y)) != 0;
        }
    }
    return total ? static_cast<double>(matching) / total : 0.0;
}

std::unordered_set<COLORREF> SystemColours()
{
    std::unordered_set<COLORREF> colours;
    // Index 25 names no colour (GetSysColor answers 0, black, for it).
    for (int index = COLOR_SCROLLBAR; index <= COLOR_MENUBAR; ++index) {
        if (index != COLOR_INFOBK + 1)
            colours.insert(GetSysColor(index));
    }
    // A caption bar shades from the first colour to the second; depending on
    // how the gradient rounds, each channel of a shade lies on either side of
    // the exact value.
    const int pairs[][2] = {{COLOR_ACTIVECAPTION, COLOR_GRADIENTACTIVECAPTION},
                            {COLOR_INACTIVECAPTION, COLOR_GRADIENTINACTIVECAPTION}};
    for (const auto& pair : pairs) {
        const COLORREF from = GetSysColor(pair[0]), to = GetSysColor(pair[1]);
        const int steps = 1024;
        for (int step = 0; step <= steps; ++step) {
            auto channel = [&](int a, int b, int up) {
                return (a * (steps - step) + b * step + up * (steps - 1)) / steps;
            };
            for (int up = 0; up < 8; ++up) {
                colours.insert(RGB(channel(GetRValue(from), GetRValue(to), up & 1),
                                   channel(GetGValue(from), GetGValue(to), (up >> 1) & 1),
                                   channel(GetBValue(from), GetBValue(to), (up >> 2) & 1)));
            }
        }
    }
    return colours;
}

std::string PngBytes(int width, int height, int channels, const std::string& pixels)
{
    const size_t rowBytes = static_cast<size_t>(width) * channels;
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4) ||
        pixels.size() != rowBytes * height)
        return std::string();
    std::string rows;
    rows.reserve((rowBytes + 1) * height);
    for (int y = 0; y < height; ++y) {
        rows.push_back('\0');  // no filter
        rows.append(pixels, y * rowBytes, rowBytes);
    }
    uLongf packedSize = compressBound(rows.size());
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                 reinterpret_cast<const Bytef*>(rows.data()), rows.size()) != Z_OK)
        return std::string();
    packed.resize(packedSize);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBig32(header, static_cast<uint32_t>(width));
    PutBig32(header, static_cast<uint32_t>(height));
    header += std::string(channels == 4 ? "\x08\x06\x00\x00\x00" : "\x08\x02\x00\x00\x00", 5);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", std::string());
    return png;
}

bool WindowCapture::SavePng(const std::string& path) const
{
    if (empty())
        return false;
    std::string rgb;
    rgb.reserve(pixels.size() * 3);
    for (const uint32_t p : pixels) {
        rgb.push_back(static_cast<char>((p >> 16) & 0xff));
        rgb.push_back(static_cast<char>((p >> 8) & 0xff));
        rgb.push_back(static_cast<char>(p & 0xff));
    }
    const std::string png = PngBytes(width, height, 3, rgb);
    std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(path.c_str(), "wb"), fclose);
    return !png.empty() && file && fwrite(png.data(), 1, png.size(), file.get()) == png.size();
}

double SystemColourShare(const WindowCapture& shot, const std::vector<RECT>& excluded)
{
    return shot.ShareOf(SystemColours(), excluded);
}

void PumpMessages(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

RECT RectInWindow(HWND topLevel, HWND child)
{
    RECT outer, inner;
    GetWindowRect(topLevel, &outer);
    GetWindowRect(child, &inner);
    OffsetRect(&inner, -outer.left, -outer.top);
    return inner;
}

namespace {

// Copies an area of a device context into a top-down 32-bit DIB.
WindowCapture ReadBack(HDC source, int left, int top, int width, int height)
{
    WindowCapture capture;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    if (dib && memory && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        if (BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY)) {
            GdiFlush();
            const auto* words = static_cast<const uint32_t*>(bits);
            capture.width = width;
            capture.height = height;
            capture.pixels.assign(words, words + static_cast<size_t>(width) * height);
            for (uint32_t& p : capture.pixels)
                p &= 0x00ffffff;
        }
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (dib)
        DeleteObject(dib);
    return capture;
}

} // namespace

WindowCapture CaptureWindow(HWND window)
{
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    return ReadWindow(window);
}

WindowCapture ReadWindow(HWND window)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(300);
    RECT bounds;
    if (!GetWindowRect(window, &bounds))
        return WindowCapture();
    HDC source = GetWindowDC(window);
    if (!source)
        return WindowCapture();
    WindowCapture capture =
        ReadBack(source, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top);
    ReleaseDC(window, source);
    return capture;
}

WindowCapture CaptureFromScreen(HWND window, DWORD settleMilliseconds)
{
    // The window belongs to another process: it is raised and repainted by
    // messages, which that process handles in its own time.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    auto read = [window] {
        RECT bounds;
        HDC screen = GetWindowRect(window, &bounds) ? GetDC(nullptr) : nullptr;
        if (!screen)
            return WindowCapture();
        WindowCapture capture = ReadBack(screen, bounds.left, bounds.top,
                                         bounds.right - bounds.left, bounds.bottom - bounds.top);
        ReleaseDC(nullptr, screen);
        return capture;
    };
    // Settled once two reads a while apart show the same: a window that
    // keeps changing (a caret blinking) is read when the time is up. The
    // first read waits past the engine's own late redraws.
    constexpr DWORD kFirstRead = 500, kBetweenReads = 250;
    Sleep(std::min(kFirstRead, settleMilliseconds));
    WindowCapture last = read();
    for (DWORD waited = kFirstRead; waited < settleMilliseconds; waited += kBetweenReads) {
        Sleep(kBetweenReads);
        WindowCapture now = read();
        const bool settled = !now.empty() && now.width == last.width &&
                             now.height == last.height && now.pixels == last.pixels;
        last = std::move(now);
        if (settled)
            break;
    }
    return last;
}

void ForgetShots(const std::string& pattern)
{
    const std::string shots = HostPath(SCREENSHOT_DIR);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((shots + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        DeleteFileA((shots + "\\" + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
}

void SaveShot(const WindowCapture& shot, const std::string& name)
{
    static const std::string shots = HostPath(SCREENSHOT_DIR);
    CreateDirectoryA(shots.c_str(), nullptr);
    EXPECT_TRUE(shot.SavePng(shots + "\\" + name)) << name;
}
