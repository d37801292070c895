#pragma once

// What the tests of the real skin engine share: the engine copied into a
// private folder, a test dialog on the display, and readings of its colours.
#include "SkinEngine.h"
#include "TestFiles.h"
#include "WindowCapture.h"

#include <gtest/gtest.h>

#include <string>

inline const std::string kEngineDll = HostPath(ENGINE_DLL);
inline const std::string kSkins = HostPath(SKINS_DIR);
inline const std::string kShots = HostPath(SCREENSHOT_DIR);

constexpr int kMainDialog = 300;
constexpr int kAboutDialog = 301;
constexpr int kControlsDialog = 302;  // an installer page of every control kind
constexpr int kLabel = 1001;
constexpr int kPathField = 1002;
constexpr int kBrowse = 1004;
constexpr int kBanner = 1005;
constexpr int kAboutBanner = 1018;
constexpr int kAboutLink = 1019;

struct SkinColours {
    const char* file;
    COLORREF dialog;
    COLORREF button;
    COLORREF pressed;
    COLORREF label;
    COLORREF field;
};

// The values in skins/*/skin.ini.
inline const SkinColours kDaylight = {"Daylight.skf", RGB(0xF7, 0xF4, 0xEC), RGB(0xE3, 0xD9, 0xC2),
                               RGB(0xCD, 0xBF, 0x9E), RGB(0x3B, 0x33, 0x21), RGB(0xFF, 0xFE, 0xF9)};
inline const SkinColours kMidnight = {"Midnight.skf", RGB(0x22, 0x25, 0x2B), RGB(0x3B, 0x42, 0x52),
                               RGB(0x2E, 0x34, 0x40), RGB(0x88, 0xC0, 0xD0), RGB(0x2E, 0x34, 0x40)};

inline INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The window classes of the installer-like page (kControlsDialog): the
// common controls and the rich edit. False when the rich edit is missing.
inline bool LoadControlLibraries()
{
    LoadLibraryA("comctl32.dll");
    return LoadLibraryA("riched20.dll") != nullptr;
}

// A dialog of this program, shown at a fixed place and destroyed on scope exit.
class TestDialog {
public:
    explicit TestDialog(int id)
        : window_(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                     PlainDialogProc, 0))
    {
        if (window_) {
            SetWindowPos(window_, HWND_TOPMOST, 60, 60, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
            PumpMessages(100);
        }
    }
    ~TestDialog()
    {
        if (IsWindow(window_))
            DestroyWindow(window_);
    }
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND get() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    RECT rect(int id) const { return RectInWindow(window_, item(id)); }

private:
    HWND window_;
};

// A point of blank dialog face: left of the closing buttons, under the banner.
inline POINT BlankFace(const TestDialog& dialog)
{
    const RECT ok = dialog.rect(IDOK);
    const RECT banner = dialog.rect(kBanner);
    return {banner.left + 2, (banner.bottom + ok.bottom) / 2};
}

inline COLORREF FaceOf(const WindowCapture& shot, const TestDialog& dialog)
{
    const POINT p = BlankFace(dialog);
    return shot.At(p.x, p.y);
}

// Inside a button, clear of its border, focus rectangle and caption.
inline COLORREF ButtonFaceOf(const WindowCapture& shot, const TestDialog& dialog, int id)
{
    const RECT r = dialog.rect(id);
    return shot.At(r.left + 5, r.top + 5);
}

inline COLORREF BrushColour(HBRUSH brush)
{
    LOGBRUSH description = {};
    if (!brush || GetObjectW(brush, sizeof description, &description) != sizeof description)
        return CLR_INVALID;
    return description.lbColor;
}

inline HBRUSH DialogBrush(HWND dialog)
{
    HDC dc = GetDC(dialog);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(dialog)));
    ReleaseDC(dialog, dc);
    return brush;
}

inline void SaveShot(const WindowCapture& shot, const std::string& name)
{
    CreateDirectoryA(kShots.c_str(), nullptr);
    EXPECT_TRUE(shot.SavePng(kShots + "\\" + name)) << name;
}

// The engine copied into a private folder, so that deleting it after release
// proves nothing holds it, without touching the build's own file.
class EngineCopy {
public:
    EngineCopy() : path_(folder_ / "VelumoDll.dll")
    {
        copied_ = CopyFileA(kEngineDll.c_str(), path_.c_str(), FALSE) != 0;
    }
    ~EngineCopy() { Release(); }
    EngineCopy(const EngineCopy&) = delete;
    EngineCopy& operator=(const EngineCopy&) = delete;

    bool copied() const { return copied_; }
    const std::string& path() const { return path_; }
    SkinEngine& engine() { return engine_; }
    bool Load() { return SkinEngineLoad(engine_, path_.c_str()); }
    void Release() { SkinEngineRelease(engine_); }

private:
    TempFolder folder_;
    std::string path_;
    bool copied_ = false;
    SkinEngine engine_;
};

inline std::string SkinPath(const char* file)
{
    return kSkins + "\\" + file;
}

struct GuiCounts {
    DWORD gdi;
    DWORD user;
};

inline GuiCounts CountGuiObjects()
{
    return {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
            GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
}

class SkinEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(copy.copied()) << kEngineDll; }
    EngineCopy copy;
};

