#pragma once

// What the tests of the real skin engine share: the engine copied into a
// private folder, a test dialog on the display, and readings of its colours.
#include "SkinDescription.h"
#include "SkinEngine.h"
#include "SkinObjects.h"
#include "TestFiles.h"
#include "WindowCapture.h"

#include <gtest/gtest.h>

#include <string>

inline const std::string kEngineDll = HostPath(ENGINE_DLL);
inline const std::string kSkins = HostPath(SKINS_DIR);

constexpr int kMainDialog = 300;
constexpr int kAboutDialog = 301;
constexpr int kControlsDialog = 302;  // an installer page of every control kind
constexpr int kLabel = 1001;
constexpr int kPathField = 1002;
constexpr int kBrowse = 1004;
constexpr int kBanner = 1005;
constexpr int kAboutBanner = 1018;
constexpr int kAboutLink = 1019;

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

// The colour a dialog fills its face with, as it answers WM_CTLCOLORDLG:
// its brush's, or the DC's brush colour when it lends the DC's own brush.
inline COLORREF DialogFaceColour(HWND dialog)
{
    HDC dc = GetDC(dialog);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(dialog)));
    const COLORREF colour =
        brush == GetStockObject(DC_BRUSH) ? GetDCBrushColor(dc) : BrushColour(brush);
    ReleaseDC(dialog, dc);
    return colour;
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

inline std::string SkinFilePath(const char* file)
{
    return kSkins + "\\" + file;
}

// What the tests look for in a stock skin, read from the built file by the
// engine's own reader of skins: the dialog's face, a button's face normal
// and pressed, a label's text and a field's face.
struct SkinLook {
    std::string file;
    COLORREF dialog = 0;
    COLORREF button = 0;
    COLORREF pressed = 0;
    COLORREF label = 0;
    COLORREF field = 0;
};

// dark: the look of the skin's dark variant.
inline SkinLook LookOf(const char* file, bool dark = false)
{
    SkinLook look;
    look.file = file;
    SkinDescription skin;
    SkinFaults faults;
    const std::string path = SkinFilePath(file);
    EXPECT_EQ(SkinVerdict::Accepted, CheckSkin(path.c_str(), faults, &skin)) << file;
    if (dark) {
        EXPECT_TRUE(skin.dark) << file << " has no dark variant";
        if (skin.dark) {
            SkinDescription variant = std::move(*skin.dark);  // skin owns it
            skin = std::move(variant);
        }
    }
    auto style = [&](const char* object) {
        const int index = FindSkinObject(object);
        const bool present = index != kNoObject && size_t(index) < skin.objects.size() &&
                             skin.objects[size_t(index)];
        EXPECT_TRUE(present) << file << " has no " << object;
        return present ? skin.objects[size_t(index)]->style : SkinStyle();
    };
    look.dialog = style("Dialog").face;
    look.button = style("Button").face;
    look.pressed = style("Button").pressed;
    look.label = style("Static").text;
    look.field = style("Edit").face;
    return look;
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

