// The real skin engine under Wine: real dialogs on the X display, painted in
// skins built from the repository's sources, read back pixel by pixel; the
// engine released and deleted; damaged skin files refused.
#include "DamagedSkins.h"
#include "Hyperlink.h"
#include "SkinTestSupport.h"
#include "TestWindows.h"
#include "TestProcess.h"
#include "TestZip.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

namespace {

TEST_F(SkinEngineTest, SampleSkinsPaintDialogButtonFieldAndLabelInTheirColours)
{
    WindowCapture plain;
    COLORREF plainFace, plainButton;
    {
        TestDialog dialog(kMainDialog);
        ASSERT_NE(nullptr, dialog.get());
        plain = CaptureWindow(dialog.get());
        ASSERT_FALSE(plain.empty());
        SaveShot(plain, "dialog-unskinned.png");
        plainFace = FaceOf(plain, dialog);
        plainButton = ButtonFaceOf(plain, dialog, IDCANCEL);
    }

    const SkinLook daylight = LookOf("Daylight.skf");
    const SkinLook midnight = LookOf("Midnight.skf");
    // Two looks apart in every colour the test reads, so that each check
    // below tells the skins apart.
    EXPECT_NE(daylight.dialog, midnight.dialog);
    EXPECT_NE(daylight.button, midnight.button);
    EXPECT_NE(daylight.pressed, midnight.pressed);
    EXPECT_NE(daylight.label, midnight.label);
    EXPECT_NE(daylight.field, midnight.field);
    for (const SkinLook& skin : {daylight, midnight}) {
        SCOPED_TRACE(skin.file);
        ASSERT_TRUE(copy.Load());
        SkinEngineApply(copy.engine(), SkinFilePath(skin.file.c_str()).c_str());
        {
            TestDialog dialog(kMainDialog);
            ASSERT_NE(nullptr, dialog.get());
            const WindowCapture shot = CaptureWindow(dialog.get());
            ASSERT_FALSE(shot.empty());
            SaveShot(shot, "dialog-" + skin.file + ".png");

            EXPECT_EQ(skin.dialog, FaceOf(shot, dialog));
            EXPECT_NE(plainFace, FaceOf(shot, dialog));
            EXPECT_EQ(skin.button, ButtonFaceOf(shot, dialog, IDCANCEL));
            EXPECT_NE(plainButton, ButtonFaceOf(shot, dialog, IDCANCEL));
            const RECT field = dialog.rect(kPathField);
            EXPECT_EQ(skin.field, shot.At(field.left + 5, field.top + 5));
            // The label's glyphs are drawn in the skin's text colour, which the
            // unskinned dialog never shows there.
            const RECT label = dialog.rect(kLabel);
            EXPECT_GT(shot.Count(label, skin.label), 5);
            EXPECT_EQ(0, plain.Count(label, skin.label));

            SendMessageA(dialog.item(IDCANCEL), BM_SETSTATE, TRUE, 0);
            const WindowCapture pressed = CaptureWindow(dialog.get());
            EXPECT_EQ(skin.pressed, ButtonFaceOf(pressed, dialog, IDCANCEL));
            SendMessageA(dialog.item(IDCANCEL), BM_SETSTATE, FALSE, 0);
        }
        copy.Release();
    }
}

TEST_F(SkinEngineTest, BuilderSkinPaintsNamedObjectsWithTheirImages)
{
    ASSERT_TRUE(copy.Load());
    SkinEngine& engine = copy.engine();
    SkinEngineApply(engine, SkinFilePath("Ornix.skf").c_str());
    {
        TestDialog dialog(kMainDialog);
        ASSERT_NE(nullptr, dialog.get());
        EXPECT_TRUE(engine.SetCustomSkinWnd(dialog.get(), L"CustomFrame", 1));
        EXPECT_TRUE(engine.SetCustomSkinWnd(dialog.get(), L"CustomDialog", 0));
        EXPECT_TRUE(engine.SetCustomSkinWnd(dialog.item(kBrowse), L"OpenButton", 0));
        EXPECT_TRUE(engine.SetCustomSkinWnd(dialog.item(kBanner), L"banner_velumo", 0));
        EXPECT_TRUE(engine.SetCustomSkinWnd(dialog.item(IDOK), L"GeneralButton", 0));
        EXPECT_TRUE(engine.SetCustomSkinWnd(dialog.item(kPathField), L"CustomEdit", 0));
        EXPECT_FALSE(engine.SetCustomSkinWnd(dialog.item(IDOK), L"NoSuchObject", 0));
        const WindowCapture shot = CaptureWindow(dialog.get());
        ASSERT_FALSE(shot.empty());
        SaveShot(shot, "builder-Ornix.png");

        EXPECT_EQ(RGB(0x1F, 0x3A, 0x4D), FaceOf(shot, dialog));
        EXPECT_EQ(RGB(0x25, 0x59, 0x73), ButtonFaceOf(shot, dialog, IDOK));
        const RECT field = dialog.rect(kPathField);
        EXPECT_EQ(RGB(0xFC, 0xFE, 0xFF), shot.At(field.left + 5, field.top + 5));
        // Browse button: the normal frame of browse.bmp, clear of dots and edge.
        const RECT browse = dialog.rect(kBrowse);
        const int bw = browse.right - browse.left, bh = browse.bottom - browse.top;
        EXPECT_EQ(RGB(0x2E, 0x6F, 0x8E), shot.At(browse.left + bw / 6, browse.top + bh / 5));
        // Banner: the long light bar of banner_velumo.bmp (rows 24 to 28 of 64).
        const RECT banner = dialog.rect(kBanner);
        const int bannerHeight = banner.bottom - banner.top;
        EXPECT_EQ(RGB(0xE8, 0xF1, 0xF5),
                  shot.At((banner.left + banner.right) / 2, banner.top + bannerHeight * 53 / 128));
        SendMessageA(dialog.item(kBrowse), BM_SETSTATE, TRUE, 0);
        const WindowCapture pressed = CaptureWindow(dialog.get());
        EXPECT_EQ(RGB(0x1B, 0x54, 0x70), pressed.At(browse.left + bw / 6, browse.top + bh / 5));
    }
    {
        TestDialog about(kAboutDialog);
        ASSERT_NE(nullptr, about.get());
        EXPECT_TRUE(engine.SetCustomSkinWnd(about.get(), L"DialogAbout", 0));
        EXPECT_TRUE(engine.SetCustomSkinWnd(about.item(kAboutBanner), L"about_vl", 0));
        SetHyperlink(about.get(), kAboutLink, "mailto:support@example.com");
        const WindowCapture shot = CaptureWindow(about.get());
        ASSERT_FALSE(shot.empty());
        SaveShot(shot, "about-Ornix.png");
        const RECT ok = about.rect(IDOK);
        EXPECT_EQ(RGB(0x24, 0x46, 0x5C), shot.At(ok.left - 20, ok.bottom - 2));
        // The e-mail link: blue letters on the About box's face, no box of
        // the system's face around them.
        const RECT link = about.rect(kAboutLink);
        EXPECT_GT(shot.Count(link, RGB(0, 0, 255)), 5);
        EXPECT_EQ(0, shot.Count(link, GetSysColor(COLOR_BTNFACE)));
        EXPECT_EQ(RGB(0x24, 0x46, 0x5C), shot.At(link.right - 2, link.top + 1));
        // about_vl.bmp's inner circle, at (48, 48) of 320x96.
        const RECT banner = about.rect(kAboutBanner);
        EXPECT_EQ(RGB(0x1F, 0x3A, 0x4D),
                  shot.At(banner.left + (banner.right - banner.left) * 48 / 320,
                          banner.top + (banner.bottom - banner.top) / 2));
    }
}

TEST_F(SkinEngineTest, WindowsOfRegisteredThreadsAreSkinnedOthersAreNot)
{
    ASSERT_TRUE(copy.Load());
    SkinEngine& engine = copy.engine();
    {
        // A window that exists before ApplySkin is skinned too.
        TestDialog early(kMainDialog);
        SkinEngineApply(engine, SkinFilePath("Midnight.skf").c_str());
        EXPECT_EQ(LookOf("Midnight.skf").dialog, DialogFaceColour(early.get()));
    }
    COLORREF registered = CLR_INVALID, afterDelete = CLR_INVALID, unregistered = CLR_INVALID;
    const char kBoxCaption[] = "Velumo Installer";
    std::atomic<DWORD> workerId{0};
    std::thread worker([&] {
        workerId = GetCurrentThreadId();
        TestDialog before(kMainDialog);
        unregistered = DialogFaceColour(before.get());
        EXPECT_TRUE(engine.AddAdditionalThread());
        {
            TestDialog during(kMainDialog);
            registered = DialogFaceColour(during.get());
        }
        // A message box of a registered thread is skinned whole, frame and all.
        MessageBoxA(nullptr, "The installation was interrupted.", kBoxCaption, MB_OK);
        EXPECT_TRUE(engine.DeleteAdditionalThread());
        TestDialog after(kMainDialog);
        afterDelete = DialogFaceColour(after.get());
    });
    HWND box = nullptr;
    for (int wait = 0; wait < 200 && !box; ++wait) {
        Sleep(50);
        box = FindWindowA("#32770", kBoxCaption);
    }
    EXPECT_NE(nullptr, box) << "no message box";
    if (box) {
        const WindowCapture shot = CaptureWindow(box);
        SaveShot(shot, "messagebox-Midnight.png");
        EXPECT_FALSE(shot.empty());
        EXPECT_LT(SystemColourShare(shot), 0.01);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    } else {
        // Ends the box's loop, whether it is up already or yet to come, so
        // that the join below cannot wait for good.
        PostThreadMessageA(workerId, WM_QUIT, 0, 0);
    }
    worker.join();
    EXPECT_NE(LookOf("Midnight.skf").dialog, unregistered);
    EXPECT_EQ(LookOf("Midnight.skf").dialog, registered);
    EXPECT_NE(LookOf("Midnight.skf").dialog, afterDelete);
}

TEST_F(SkinEngineTest, ReleaseRestoresWindowsFreesEverythingAndLetsTheFileGo)
{
    TestDialog warmUp(kMainDialog);  // the process's first dialog creates lasting objects
    DestroyWindow(warmUp.get());
    PumpMessages(100);
    const GuiCounts before = CountGuiObjects();

    // Controls are lent stock brushes; the skin's font is the one object of
    // the skin that its windows hold, so the skin gives its labels one.
    TempFolder work;
    const std::string skin = work / "font.skf";
    ASSERT_TRUE(WriteZip(skin, {{"skin.ini", "[Skin]\nformat = 2\n[Dialog]\nface = #1F3A4D\n"
                                             "[Button]\nface = #405060\n"
                                             "[Static]\ntext = #F0F0F0\nfont_face = Tahoma\n"
                                             "font_size = 11\n"}}));
    ASSERT_TRUE(copy.Load());
    SkinEngineApply(copy.engine(), skin.c_str());
    TestDialog dialog(kMainDialog);
    ASSERT_NE(nullptr, dialog.get());
    EXPECT_TRUE(copy.engine().SetCustomSkinWnd(dialog.item(kBrowse), L"OpenButton", 0));
    ASSERT_EQ(RGB(0x1F, 0x3A, 0x4D), DialogFaceColour(dialog.get()));
    auto skinFont = reinterpret_cast<HFONT>(SendMessageA(dialog.item(kLabel), WM_GETFONT, 0, 0));
    ASSERT_EQ(OBJ_FONT, static_cast<int>(GetObjectType(skinFont)));
    LOGFONTA font = {};
    GetObjectA(skinFont, sizeof font, &font);
    ASSERT_EQ(-15, font.lfHeight) << "the label has not the skin's 11-point font";

    copy.Release();
    EXPECT_EQ(nullptr, GetModuleHandleA(copy.path().c_str()));
    EXPECT_EQ(0u, GetObjectType(skinFont)) << "the skin's font outlived the engine";
    // The dialog, still open, paints without the skin and without the engine.
    const WindowCapture shot = CaptureWindow(dialog.get());
    ASSERT_FALSE(shot.empty());
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), FaceOf(shot, dialog));
    EXPECT_NE(RGB(0x1F, 0x3A, 0x4D), ButtonFaceOf(shot, dialog, kBrowse));
    DestroyWindow(dialog.get());
    PumpMessages(100);

    const GuiCounts after = CountGuiObjects();
    if (before.gdi == 0 && before.user == 0) {
        std::printf("GetGuiResources reports nothing here; brushes checked one by one\n");
    } else {
        EXPECT_EQ(before.gdi, after.gdi);
        EXPECT_EQ(before.user, after.user);
    }
    EXPECT_TRUE(DeleteFileA(copy.path().c_str())) << GetLastError();
}

// A bitmap of one colour shown by a bitmap static, as an installer shows its
// package's pictures; freed when the static no longer needs it.
class BitmapOf {
public:
    BitmapOf(HWND control, COLORREF colour)
    {
        RECT area;
        GetClientRect(control, &area);
        HDC screen = GetDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(screen, area.right, area.bottom);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, bitmap_);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &area, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_));
    }
    BitmapOf(BitmapOf&& other) noexcept : bitmap_(other.bitmap_) { other.bitmap_ = nullptr; }
    ~BitmapOf()
    {
        if (bitmap_)
            DeleteObject(bitmap_);
    }
    BitmapOf(const BitmapOf&) = delete;
    BitmapOf& operator=(const BitmapOf&) = delete;

private:
    HBITMAP bitmap_ = nullptr;
};

constexpr int kBannerDialog = 303;
constexpr int kBannerBitmap = 3001;
constexpr int kBannerTitle = 3002;
constexpr int kMiddleBitmap = 3003;

// Skin files accepted and refused, from the table the native tests of the
// skin core share (DamagedSkins.h), written here with minizip.
// A 24-bit bottom-up BMP drawn pixel by pixel, (0, 0) at the top left.
template <typename Pixel>
std::string DrawnBmp(int width, int height, Pixel pixel)
{
    std::string bytes = SolidBmp(width, height);
    const size_t stride = ((width * 24 + 31) / 32) * 4;
    const size_t bits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixel(x, y);
            const size_t at = bits + (height - 1 - y) * stride + x * 3;
            bytes[at] = static_cast<char>(GetBValue(c));
            bytes[at + 1] = static_cast<char>(GetGValue(c));
            bytes[at + 2] = static_cast<char>(GetRValue(c));
        }
    }
    return bytes;
}

TEST_F(SkinEngineTest, DamagedSkinFilesAreRefusedAndLeaveWindowsUnskinned)
{
    TempFolder work;
    const std::string good = work / "good.skf";
    ASSERT_TRUE(WriteZip(good, GoodSkinEntries()));
    const std::vector<SkinCase> cases = SkinCases(ReadFileBytes(good));

    ASSERT_TRUE(copy.Load());
    SkinEngine& engine = copy.engine();
    ASSERT_TRUE(engine.InitDecoration(1));
    EXPECT_TRUE(engine.LoadSkinFromFile(SkinEngineWide(good.c_str())))
        << "the undamaged skin must load, or the refusals below prove nothing";
    engine.DeInitDecoration();

    ASSERT_TRUE(engine.InitDecoration(1));
    int index = 0;
    for (const SkinCase& c : cases) {
        const std::string path = work / ("case" + std::to_string(index++) + ".skf");
        ASSERT_TRUE(WriteSkinCase(path, c, WriteFileBytes)) << c.name;
        EXPECT_EQ(c.accepted, engine.LoadSkinFromFile(SkinEngineWide(path.c_str())) != FALSE)
            << c.name << " (" << path << ")";
        if (c.accepted) {
            engine.DeInitDecoration();
            ASSERT_TRUE(engine.InitDecoration(1));
        }
    }
    engine.DeInitDecoration();
    ASSERT_TRUE(engine.InitDecoration(1));
    EXPECT_FALSE(engine.LoadSkinFromFile(SkinEngineWide(work.path().c_str()))) << "a folder";
    EXPECT_FALSE(engine.LoadSkinFromFile(SkinEngineWide((work / "absent.skf").c_str())));
    EXPECT_FALSE(engine.LoadSkinFromFile(L""));
    EXPECT_FALSE(engine.ApplySkin()) << "nothing was loaded, nothing may be applied";

    TestDialog dialog(kMainDialog);
    const WindowCapture shot = CaptureWindow(dialog.get());
    ASSERT_FALSE(shot.empty());
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), FaceOf(shot, dialog));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), DialogFaceColour(dialog.get()));
}

// The page of every control kind (template 302) and what the skins paint there.
enum ControlsPage {
    kAccept = 2001, kMixed = 2002, kTypical = 2003, kCustom = 2004,
    kPathEdit = 2006, kLicence = 2008, kList = 2009, kCombo = 2010, kProgress = 2011,
    kScroll = 2012, kTree = 2015, kVolumes = 2016,
};

void FillControlsPage(const TestDialog& page)
{
    std::string licence;
    for (int line = 1; line <= 30; ++line)
        licence += "Line " + std::to_string(line) + " of the licence terms of this product.\r\n";
    SetWindowTextA(page.item(kLicence), licence.c_str());
    SetWindowTextA(page.item(kPathEdit), "C:\\Program Files\\Sample");
    SetWindowTextA(page.item(2007), "Needs 12 MB");
    for (const char* item : {"Program files", "Documentation", "Samples", "Shortcuts", "Help"}) {
        SendMessageA(page.item(kList), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessageA(page.item(kCombo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    SendMessageA(page.item(kCombo), CB_SETCURSEL, 1, 0);
    SendMessageA(page.item(kProgress), PBM_SETPOS, 40, 0);
    SCROLLINFO scroll = {sizeof scroll, SIF_ALL, 0, 100, 20, 30, 0};
    SetScrollInfo(page.item(kScroll), SB_CTL, &scroll, TRUE);
    TVINSERTSTRUCTA feature = {};
    feature.hInsertAfter = TVI_LAST;
    feature.item.mask = TVIF_TEXT;
    feature.item.pszText = const_cast<char*>("Complete installation");
    const auto root = reinterpret_cast<HTREEITEM>(
        SendMessageA(page.item(kTree), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&feature)));
    // Selected as the installer selects its feature tree's first item.
    SendMessageA(page.item(kTree), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    SendMessageA(page.item(kTree), TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(root));
    SendMessageA(page.item(kList), LB_SETCURSEL, 1, 0);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 90;
    column.pszText = const_cast<char*>("Volume");
    SendMessageA(page.item(kVolumes), LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    column.pszText = const_cast<char*>("Free");
    SendMessageA(page.item(kVolumes), LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    SendMessageA(page.item(kMixed), BM_SETCHECK, BST_INDETERMINATE, 0);
    CheckRadioButton(page.get(), kTypical, kCustom, kTypical);
    SetFocus(page.item(IDOK));
}

// The square where a check box or radio button has its glyph, and its label.
RECT GlyphOf(const TestDialog& page, int id)
{
    const RECT r = page.rect(id);
    return {r.left, r.top, r.left + 14, r.bottom};
}

RECT LabelOf(const TestDialog& page, int id)
{
    const RECT r = page.rect(id);
    return {r.left + 16, r.top, r.right, r.bottom};
}

void PressKey(HWND dialog, HWND target, WPARAM key, bool shift = false)
{
    // Through the dialog manager, as a message loop hands keys to a dialog.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG down = {target, WM_KEYDOWN, key, 1, 0, {0, 0}};
    MSG up = {target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u), 0, {0, 0}};
    if (!IsDialogMessageA(dialog, &down))
        DispatchMessageA(&down);
    if (!IsDialogMessageA(dialog, &up))
        DispatchMessageA(&up);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    PumpMessages(100);
}

TEST_F(SkinEngineTest, EveryControlOfAnInstallerPageIsDrawnInTheSkin)
{
    ASSERT_TRUE(LoadControlLibraries());
    struct Run {
        const char* skin;  // null: no engine
        COLORREF mark;     // the check and radio mark in the normal look
        COLORREF focus;    // the focus cue of check boxes and radio buttons
        COLORREF field;    // the face of fields and of the licence text
        COLORREF inactiveCaption;
    };
    // A skin of the first format colours faces and text only and leaves the
    // frame and the glyphs to the system, as it always did.
    TempFolder work;
    const std::string older = work / "older.skf";
    ASSERT_TRUE(WriteZip(older, {{"skin.ini", kGoodSkinIni}, {"strip.bmp", SolidBmp(32, 4)}}));
    const Run runs[] = {
        {nullptr, CLR_INVALID, CLR_INVALID, CLR_INVALID, CLR_INVALID},
        {older.c_str(), CLR_INVALID, CLR_INVALID, CLR_INVALID, CLR_INVALID},
        {"Daylight.skf", RGB(0x8A, 0x5A, 0x14), RGB(0x8A, 0x5A, 0x14), RGB(0xFF, 0xFE, 0xF9),
         RGB(0xC9, 0xBC, 0x9C)},
        {"Midnight.skf", RGB(0xD8, 0xDE, 0xE9), RGB(0x88, 0xC0, 0xD0), RGB(0x2E, 0x34, 0x40),
         RGB(0x29, 0x2D, 0x35)},
        {"Iris.skf", RGB(0xFD, 0xFB, 0xFF), RGB(0x6D, 0x28, 0xD9), RGB(0xFF, 0xFD, 0xFF),
         RGB(0xE4, 0xDD, 0xF7)},
        {"Contrast.skf", RGB(0xFF, 0xD2, 0x3F), RGB(0xFF, 0xD2, 0x3F), RGB(0x05, 0x07, 0x0A),
         RGB(0x2A, 0x30, 0x38)},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.skin ? run.skin : "unskinned");
        const bool firstFormat = run.skin == older.c_str();
        if (run.skin) {
            ASSERT_TRUE(copy.Load());
            SkinEngineApply(copy.engine(), firstFormat ? run.skin : SkinFilePath(run.skin).c_str());
        }
        {
            TestDialog page(kControlsDialog);
            ASSERT_NE(nullptr, page.get());
            FillControlsPage(page);
            const WindowCapture shot = CaptureWindow(page.get());
            ASSERT_FALSE(shot.empty());
            const std::string name = firstFormat ? "format1" : run.skin ? run.skin : "unskinned";
            SaveShot(shot, "controls-" + name + ".png");
            const double share = SystemColourShare(shot);
            if (!run.skin) {
                // The control run: the page really is drawn in the system's colours.
                EXPECT_GT(share, 0.3);
                continue;
            }
            if (firstFormat) {
                const RECT ok = page.rect(IDOK);
                EXPECT_EQ(RGB(0x10, 0x20, 0x30), shot.At(ok.left + 5, ok.top - 8));
                EXPECT_GT(share, 0.1) << "a skin of format 1 now draws the frame and glyphs";
                copy.Release();
                continue;
            }
            EXPECT_LT(share, 0.01);
            const RECT path = page.rect(kPathEdit), licence = page.rect(kLicence);
            EXPECT_EQ(run.field, shot.At(path.right - 8, path.top + 4));
            EXPECT_EQ(run.field, shot.At(licence.right - 30, licence.bottom - 5));

            // The caption buttons answer the mouse where they are drawn, the
            // rest of the bar drags, and a held button shows it is pressed.
            RECT bounds;
            GetWindowRect(page.get(), &bounds);
            POINT origin = {0, 0};
            ClientToScreen(page.get(), &origin);
            const int border = origin.x - bounds.left;
            const POINT close = {bounds.right - border - 8, (bounds.top + border + origin.y) / 2};
            const LPARAM closeAt = MAKELPARAM(close.x, close.y);
            EXPECT_EQ(HTCLOSE, SendMessageA(page.get(), WM_NCHITTEST, 0, closeAt));
            EXPECT_EQ(HTCAPTION, SendMessageA(page.get(), WM_NCHITTEST, 0,
                                              MAKELPARAM(bounds.left + 60, close.y)));
            const RECT closeBox = {close.x - bounds.left - 4, close.y - bounds.top - 4,
                                   close.x - bounds.left + 4, close.y - bounds.top + 4};
            SendMessageA(page.get(), WM_NCLBUTTONDOWN, HTCLOSE, closeAt);
            EXPECT_EQ(page.get(), GetCapture());
            const WindowCapture held = CaptureWindow(page.get());
            int changed = 0;
            for (int y = closeBox.top; y < closeBox.bottom; ++y)
                for (int x = closeBox.left; x < closeBox.right; ++x)
                    changed += held.At(x, y) != shot.At(x, y);
            EXPECT_GT(changed, 10) << "the pressed close button looks like the normal one";
            // Let go away from the button, nothing; over it, the window is
            // asked to close.
            MSG command;
            SendMessageA(page.get(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            EXPECT_NE(page.get(), GetCapture());
            EXPECT_FALSE(PeekMessageA(&command, page.get(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
            SendMessageA(page.get(), WM_NCLBUTTONDOWN, HTCLOSE, closeAt);
            SendMessageA(page.get(), WM_LBUTTONUP, 0,
                         MAKELPARAM(close.x - origin.x, close.y - origin.y));
            ASSERT_TRUE(PeekMessageA(&command, page.get(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
            EXPECT_EQ(static_cast<WPARAM>(SC_CLOSE), command.wParam & 0xFFF0);

            // Another window takes the activation: the caption turns to the
            // skin's inactive look, still without any system colour.
            {
                TestDialog other(kAboutDialog);
                SetWindowPos(other.get(), nullptr, 700, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                SetActiveWindow(other.get());
                const WindowCapture inactive = ReadWindow(page.get());
                EXPECT_NE(page.get(), GetActiveWindow());
                EXPECT_EQ(run.inactiveCaption, inactive.At(bounds.right - bounds.left - 60, close.y - bounds.top));
                EXPECT_LT(SystemColourShare(inactive), 0.01);
            }
            // A new caption text is taken, and the window keeps its caption.
            SetWindowTextA(page.get(), "Skinned controls, renamed");
            char caption[64] = {};
            GetWindowTextA(page.get(), caption, sizeof caption);
            EXPECT_STREQ("Skinned controls, renamed", caption);
            EXPECT_EQ(WS_CAPTION, GetWindowLongA(page.get(), GWL_STYLE) & WS_CAPTION);

            // A click checks the box, Space the radio button, and their
            // glyphs show the skin's mark; the other radio loses it.
            EXPECT_EQ(0, shot.Count(GlyphOf(page, kAccept), run.mark));
            SendMessageA(page.item(kAccept), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            SendMessageA(page.item(kAccept), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            SetFocus(page.item(kCustom));
            PressKey(page.get(), page.item(kCustom), VK_SPACE);
            const WindowCapture checked = CaptureWindow(page.get());
            SaveShot(checked, "controls-checked-" + name + ".png");
            EXPECT_EQ(BST_CHECKED, SendMessageA(page.item(kAccept), BM_GETCHECK, 0, 0));
            EXPECT_EQ(BST_CHECKED, SendMessageA(page.item(kCustom), BM_GETCHECK, 0, 0));
            EXPECT_GT(checked.Count(GlyphOf(page, kAccept), run.mark), 5);
            EXPECT_GT(checked.Count(GlyphOf(page, kCustom), run.mark), 5);
            EXPECT_EQ(0, checked.Count(GlyphOf(page, kTypical), run.mark));

            // The focus cue moves with Tab and back with Shift+Tab.
            SetFocus(page.item(kAccept));
            PressKey(page.get(), page.item(kAccept), VK_TAB);
            EXPECT_EQ(page.item(kMixed), GetFocus());
            const WindowCapture tabbed = CaptureWindow(page.get());
            EXPECT_GT(tabbed.Count(LabelOf(page, kMixed), run.focus), 10);
            EXPECT_EQ(0, tabbed.Count(LabelOf(page, kAccept), run.focus));
            PressKey(page.get(), page.item(kMixed), VK_TAB, true);
            EXPECT_EQ(page.item(kAccept), GetFocus());
            const WindowCapture back = CaptureWindow(page.get());
            EXPECT_GT(back.Count(LabelOf(page, kAccept), run.focus), 10);
            EXPECT_EQ(0, back.Count(LabelOf(page, kMixed), run.focus));
            EXPECT_LT(SystemColourShare(back), 0.01);
        }
        copy.Release();
    }
}

TEST_F(SkinEngineTest, ImagesKeepTheirCornersAndDialogsTheirBackground)
{
    ASSERT_TRUE(LoadControlLibraries());
    // Progress bar frames of 6x6 with 2-pixel corners: the track's corners in
    // one colour, its middle in another; the bar likewise.
    const COLORREF trackCorner = RGB(0xC0, 0x30, 0x30), track = RGB(0x30, 0x40, 0x50);
    const COLORREF barCorner = RGB(0x30, 0xC0, 0x30), bar = RGB(0x70, 0x60, 0x20);
    const COLORREF background = RGB(0x5A, 0x5A, 0x5A);  // SolidBmp's bytes
    const COLORREF captionActive = RGB(0x20, 0x50, 0x90), captionInactive = RGB(0x50, 0x50, 0x60);
    auto corner = [](int x, int y) { return (x % 6 < 2 || x % 6 >= 4) && (y < 2 || y >= 4); };
    TempFolder work;
    const std::string skin = work / "images.skf";
    ASSERT_TRUE(WriteZip(skin, {{"skin.ini", "[Skin]\nformat = 2\n"
                                             "[Dialog]\nface = #102030\nbackground = back.bmp\n"
                                             "background_mode = tile\nimage = caption.bmp\n"
                                             "image_size = 6x6\nimage_states = 2\n"
                                             "image_margins = 2,2,2,2\n"
                                             "[CheckBox]\ntext = #E0E0D0\n"
                                             "[ProgressBar]\nimage = bar.bmp\nimage_size = 6x6\n"
                                             "image_states = 2\nimage_margins = 2,2,2,2\n"},
                                {"back.bmp", SolidBmp(16, 16)},
                                {"caption.bmp", DrawnBmp(12, 6, [&](int x, int y) {
                                     return corner(x, y) ? trackCorner : x < 6 ? captionActive
                                                                               : captionInactive;
                                 })},
                                {"bar.bmp", DrawnBmp(12, 6, [&](int x, int y) {
                                     return corner(x, y) ? (x < 6 ? trackCorner : barCorner)
                                                         : (x < 6 ? track : bar);
                                 })}}));
    ASSERT_TRUE(copy.Load());
    SkinEngineApply(copy.engine(), skin.c_str());
    {
        TestDialog page(kControlsDialog);
        ASSERT_NE(nullptr, page.get());
        FillControlsPage(page);
        const WindowCapture shot = CaptureWindow(page.get());
        ASSERT_FALSE(shot.empty());
        SaveShot(shot, "controls-images.png");

        // The bar covers the left 40%: its corner, then its stretched middle;
        // the track shows its own middle and, at the far end, its corner.
        RECT progress;
        GetClientRect(page.item(kProgress), &progress);
        MapWindowPoints(page.item(kProgress), page.get(), reinterpret_cast<POINT*>(&progress), 2);
        POINT client = {0, 0};
        ClientToScreen(page.get(), &client);
        RECT outer;
        GetWindowRect(page.get(), &outer);
        OffsetRect(&progress, client.x - outer.left, client.y - outer.top);
        const int middle = (progress.top + progress.bottom) / 2;
        EXPECT_EQ(barCorner, shot.At(progress.left, progress.top));
        EXPECT_EQ(bar, shot.At(progress.left + 2, progress.top + 2)) << "the corner was stretched";
        EXPECT_EQ(bar, shot.At(progress.left + 20, middle));
        EXPECT_EQ(track, shot.At(progress.right - 20, middle));
        EXPECT_EQ(track, shot.At(progress.right - 3, progress.bottom - 3));
        EXPECT_EQ(trackCorner, shot.At(progress.right - 1, progress.bottom - 1));

        // The caption bar is the image's first frame, stretched between its
        // corners.
        POINT barMiddle = {0, 0};
        ClientToScreen(page.get(), &barMiddle);
        const int border = barMiddle.x - outer.left;
        EXPECT_EQ(captionActive, shot.At(shot.width / 2, (border + barMiddle.y - outer.top) / 2));
        EXPECT_EQ(trackCorner, shot.At(border, border));

        // The face shows the tiled image, and a check box stands on it.
        const RECT ok = page.rect(IDOK);
        EXPECT_EQ(background, shot.At(ok.left + 5, ok.top - 8));
        const RECT accept = page.rect(kAccept);
        EXPECT_EQ(background, shot.At(accept.right - 2, accept.top + 1));
        // So does a radio button the skin leaves to the system, on the
        // background the dialog answers for it.
        const RECT custom = page.rect(kCustom);
        EXPECT_EQ(background, shot.At(custom.right - 2, custom.top + 1));
    }
    copy.Release();
}

TEST_F(SkinEngineTest, BannersAreTheSkinsCroppedToCoverAndTextOverThemStaysTransparent)
{
    // The package's bitmaps, one colour each; the skin's banner is wider
    // than the control's proportions allow in height: its top and bottom
    // bands are cut off, its left and right halves keep their place.
    const COLORREF package = RGB(0x11, 0x99, 0x22), face = RGB(0x10, 0x20, 0x30);
    const COLORREF text = RGB(0xF0, 0xE0, 0xD0), left = RGB(0xA0, 0x30, 0x40),
                   right = RGB(0x30, 0x40, 0xA0), band = RGB(0xE0, 0xE0, 0x20);
    TempFolder work;
    const std::string base = "[Skin]\nformat = 2\n[Dialog]\nface = #102030\n"
                             "[Static]\nface = #102030\ntext = #F0E0D0\n";
    const std::string withBanner = work / "banner.skf", withoutBanner = work / "plain.skf";
    ASSERT_TRUE(WriteZip(withBanner, {{"skin.ini", base + "[Banner]\nimage = top.bmp\n"},
                                      {"top.bmp", DrawnBmp(100, 40, [&](int x, int y) {
                                           return y < 8 || y >= 32 ? band : x < 50 ? left : right;
                                       })}}));
    ASSERT_TRUE(WriteZip(withoutBanner, {{"skin.ini", base}}));
    struct Run {
        const char* name;
        const char* skin;  // null: no engine
        COLORREF bannerLeft, bannerRight;
        // The title made again and marked transparent once it exists, as
        // Windows Installer's come to the engine.
        bool markedLate;
    };
    const Run runs[] = {
        {"unskinned", nullptr, package, package, false},
        {"no-banner", withoutBanner.c_str(), package, package, false},
        {"banner", withBanner.c_str(), left, right, false},
        {"banner-marked-late", withBanner.c_str(), left, right, true},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        if (run.skin) {
            ASSERT_TRUE(copy.Load());
            SkinEngineApply(copy.engine(), run.skin);
        }
        {
            TestDialog page(kBannerDialog);
            ASSERT_NE(nullptr, page.get());
            std::vector<BitmapOf> bitmaps;
            for (int id : {kBannerBitmap, kMiddleBitmap})
                bitmaps.emplace_back(page.item(id), package);
            if (run.markedLate) {
                HWND old = page.item(kBannerTitle);
                RECT place;
                GetWindowRect(old, &place);
                MapWindowPoints(nullptr, page.get(), reinterpret_cast<POINT*>(&place), 2);
                const WPARAM font = SendMessageW(old, WM_GETFONT, 0, 0);
                DestroyWindow(old);
                HWND title = CreateWindowExW(0, L"Static", L"Banner title", WS_CHILD | SS_LEFT,
                                             place.left, place.top, place.right - place.left,
                                             place.bottom - place.top, page.get(),
                                             reinterpret_cast<HMENU>(kBannerTitle), nullptr,
                                             nullptr);
                ASSERT_NE(nullptr, title);
                SendMessageW(title, WM_SETFONT, font, FALSE);
                SetWindowLongW(title, GWL_EXSTYLE,
                               GetWindowLongW(title, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
                ShowWindow(title, SW_SHOW);
                RedrawWindow(page.get(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            }
            const WindowCapture shot = CaptureWindow(page.get());
            ASSERT_FALSE(shot.empty());
            SaveShot(shot, std::string("banner-") + run.name + ".png");
            const RECT banner = page.rect(kBannerBitmap), title = page.rect(kBannerTitle);
            const int w = banner.right - banner.left, h = banner.bottom - banner.top;
            EXPECT_EQ(run.bannerLeft, shot.At(banner.left + w / 4, banner.bottom - 3));
            EXPECT_EQ(run.bannerRight, shot.At(banner.right - w / 4, banner.top + h / 2));
            EXPECT_EQ(0, shot.Count(banner, band)) << "the overflow was not cut off";
            // A bitmap elsewhere on the page stays the package's.
            const RECT middle = page.rect(kMiddleBitmap);
            EXPECT_EQ(package, shot.At((middle.left + middle.right) / 2, (middle.top + middle.bottom) / 2));
            if (!run.skin)
                continue;
            // The title stands on the banner, skin's or package's, with no
            // box of face colour around it, in the skin's text colour.
            EXPECT_EQ(0, shot.Count(title, face));
            EXPECT_GT(shot.Count(title, text), 5);
            EXPECT_GT(shot.Count(title, run.bannerLeft), 0) << "nothing lies beneath the title";
            // Beneath it the banner lies where it lies beside it.
            RECT pastMiddle = title;
            pastMiddle.left = banner.left + w / 2 + 2;
            ASSERT_LT(pastMiddle.left, pastMiddle.right);
            EXPECT_EQ(0, shot.Count(pastMiddle, run.bannerLeft == package ? face : run.bannerLeft));
            // Its text changes without leaving the old one behind.
            SetWindowTextA(page.item(kBannerTitle), "I");
            const WindowCapture renamed = CaptureWindow(page.get());
            EXPECT_LT(renamed.Count(title, text) * 3, shot.Count(title, text));
            EXPECT_EQ(0, renamed.Count(title, face));
        }
        copy.Release();
    }
}

TEST_F(SkinEngineTest, AControlThatDeletesTheBrushItIsGivenSpoilsNoLaterWindow)
{
    ASSERT_TRUE(LoadControlLibraries());
    const SkinLook midnight = LookOf("Midnight.skf");
    ASSERT_TRUE(copy.Load());
    SkinEngineApply(copy.engine(), SkinFilePath("Midnight.skf").c_str());
    {
        // Wine's link control deletes whatever brush its WM_CTLCOLORSTATIC
        // brings back, as Windows Installer's Hyperlink pages show one.
        TestDialog dialog(kMainDialog);
        const RECT label = dialog.rect(kLabel);
        HWND link = CreateWindowExW(0, L"SysLink", L"See <a href=\"https://example.com\">the site</a>",
                                    WS_CHILD | WS_VISIBLE, label.left, label.bottom + 2, 200, 16,
                                    dialog.get(), nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, link);
        for (int i = 0; i < 3; ++i)
            RedrawWindow(dialog.get(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        EXPECT_EQ(midnight.dialog, FaceOf(CaptureWindow(dialog.get()), dialog));
    }
    TestDialog later(kMainDialog);
    const WindowCapture shot = CaptureWindow(later.get());
    SaveShot(shot, "dialog-after-link-Midnight.png");
    EXPECT_EQ(midnight.dialog, FaceOf(shot, later));
    EXPECT_GT(shot.Count(later.rect(kLabel), midnight.label), 5);
    copy.Release();
}

// What a screen reader reads of a control: role, name and state through
// the accessibility interface, and the button state that Windows' button
// proxy reads its checked state from (Wine's reports no button roles).
struct Readout {
    long role = -1;
    std::wstring name;
    long state = -1;
    LRESULT check = -1;
    bool operator==(const Readout& other) const
    {
        return role == other.role && name == other.name && state == other.state &&
               check == other.check;
    }
};

Readout ReadOut(HWND control)
{
    Readout readout;
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, IID_IAccessible,
                                          reinterpret_cast<void**>(&accessible))))
        return readout;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(accessible->get_accRole(self, &value)) && value.vt == VT_I4)
        readout.role = value.lVal;
    VariantClear(&value);
    if (SUCCEEDED(accessible->get_accState(self, &value)) && value.vt == VT_I4)
        readout.state = value.lVal & ~STATE_SYSTEM_HOTTRACKED;  // where the mouse is
    VariantClear(&value);
    BSTR name = nullptr;
    if (SUCCEEDED(accessible->get_accName(self, &name)) && name)
        readout.name = name;
    SysFreeString(name);
    accessible->Release();
    readout.check = SendMessageW(control, BM_GETCHECK, 0, 0);
    return readout;
}

// The check box, the radio group, and which control has the focus, as Tab
// moves it over the page.
std::vector<Readout> ReadPage(const TestDialog& page)
{
    std::vector<Readout> read;
    for (int id : {kAccept, kMixed, kTypical, kCustom})
        read.push_back(ReadOut(page.item(id)));
    for (int step = 0; step < 4; ++step) {
        PressKey(page.get(), GetFocus(), VK_TAB);
        Readout focus = ReadOut(GetFocus());
        focus.state &= STATE_SYSTEM_FOCUSED;
        read.push_back(focus);
    }
    return read;
}

TEST_F(SkinEngineTest, ScreenReadersReadTheSameSkinnedAsUnskinned)
{
    ASSERT_TRUE(LoadControlLibraries());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    std::vector<Readout> plain;
    {
        TestDialog page(kControlsDialog);
        FillControlsPage(page);
        plain = ReadPage(page);
    }
    // The page really is read: names, states, and the focus moving on.
    ASSERT_EQ(8u, plain.size());
    EXPECT_FALSE(plain[1].name.empty());
    EXPECT_NE(-1, plain[1].role);
    EXPECT_EQ(BST_INDETERMINATE, plain[1].check);
    EXPECT_EQ(BST_CHECKED, plain[2].check);
    EXPECT_EQ(BST_UNCHECKED, plain[3].check);
    for (size_t i = 4; i < plain.size(); ++i)
        EXPECT_TRUE(plain[i].state & STATE_SYSTEM_FOCUSED) << "reading " << i;
    EXPECT_NE(plain[4].name, plain[5].name);
    for (const char* file : {"Daylight.skf", "Midnight.skf"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(copy.Load());
        SkinEngineApply(copy.engine(), SkinFilePath(file).c_str());
        {
            TestDialog page(kControlsDialog);
            FillControlsPage(page);
            const std::vector<Readout> skinned = ReadPage(page);
            ASSERT_EQ(plain.size(), skinned.size());
            for (size_t i = 0; i < plain.size(); ++i) {
                EXPECT_TRUE(plain[i] == skinned[i])
                    << "reading " << i << ": role " << plain[i].role << "/" << skinned[i].role
                    << ", state " << plain[i].state << "/" << skinned[i].state;
            }
        }
        copy.Release();
    }
    CoUninitialize();
}

// Wine never reports high contrast, so the engine's own import of
// SystemParametersInfoW is pointed at one that does.
BOOL WINAPI HighContrastOn(UINT action, UINT size, void* data, UINT flags)
{
    if (action == SPI_GETHIGHCONTRAST && data) {
        static_cast<HIGHCONTRASTW*>(data)->dwFlags = HCF_HIGHCONTRASTON;
        return TRUE;
    }
    return SystemParametersInfoW(action, size, data, flags);
}

// Replaces a module's import; the old address, or null when it has none.
void* PatchImport(HMODULE module, const char* library, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const FARPROC wanted = GetProcAddress(GetModuleHandleA(library), function);
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         directory.VirtualAddress && import->Name; ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), library) != 0)
            continue;
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
             slot->u1.Function; ++slot) {
            if (reinterpret_cast<FARPROC>(slot->u1.Function) != wanted)
                continue;
            DWORD old = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof(void*), PAGE_READWRITE, &old))
                return nullptr;
            void* previous = reinterpret_cast<void*>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<DWORD_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof(void*), old, &old);
            return previous;
        }
    }
    return nullptr;
}

TEST_F(SkinEngineTest, TheLookFollowsWindowsDarkModeAndStepsAsideInHighContrast)
{
    const SkinLook daylight = LookOf("Daylight.skf"), night = LookOf("Daylight.skf", true);
    const SkinLook midnight = LookOf("Midnight.skf");
    const COLORREF darkFace = night.dialog, contrastFace = LookOf("Contrast.skf").dialog;
    ASSERT_NE(daylight.dialog, darkFace);
    COLORREF plainFace;
    {
        TestDialog dialog(kMainDialog);
        plainFace = FaceOf(CaptureWindow(dialog.get()), dialog);
    }
    {
        AppsThemeOverride theme(false);
        ASSERT_TRUE(copy.Load());
        SkinEngineApply(copy.engine(), SkinFilePath("Daylight.skf").c_str());
        TestDialog dialog(kMainDialog);
        const WindowCapture dark = CaptureWindow(dialog.get());
        SaveShot(dark, "dialog-Daylight-dark.png");
        EXPECT_EQ(darkFace, FaceOf(dark, dialog));
        // Switched while the window is open, as Windows tells every window.
        theme.Set(true);
        SendMessageW(dialog.get(), WM_SETTINGCHANGE, 0,
                     reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
        const WindowCapture light = CaptureWindow(dialog.get());
        EXPECT_EQ(daylight.dialog, FaceOf(light, dialog));
        EXPECT_EQ(daylight.button, ButtonFaceOf(light, dialog, IDCANCEL));
        // And back.
        theme.Set(false);
        SendMessageW(dialog.get(), WM_SETTINGCHANGE, 0,
                     reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
        EXPECT_EQ(darkFace, FaceOf(CaptureWindow(dialog.get()), dialog));
    }
    copy.Release();
    {
        // A skin without a dark variant keeps its one look.
        AppsThemeOverride theme(false);
        ASSERT_TRUE(copy.Load());
        SkinEngineApply(copy.engine(), SkinFilePath("Midnight.skf").c_str());
        TestDialog dialog(kMainDialog);
        EXPECT_EQ(midnight.dialog, FaceOf(CaptureWindow(dialog.get()), dialog));
    }
    copy.Release();

    for (const char* file : {"Daylight.skf", "Contrast.skf"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(copy.Load());
        HMODULE engine = GetModuleHandleA(copy.path().c_str());
        ASSERT_TRUE(PatchImport(engine, "user32.dll", "SystemParametersInfoW",
                                reinterpret_cast<void*>(HighContrastOn)));
        SkinEngineApply(copy.engine(), SkinFilePath(file).c_str());
        TestDialog dialog(kMainDialog);
        const WindowCapture shot = CaptureWindow(dialog.get());
        SaveShot(shot, std::string("dialog-high-contrast-") + file + ".png");
        // Daylight gives way to the system's colours; Contrast is made for it.
        EXPECT_EQ(file[0] == 'D' ? plainFace : contrastFace, FaceOf(shot, dialog));
        copy.Release();
    }
}

// Pixels not of the face colour in a band of columns of the rectangle.
int InkIn(const WindowCapture& shot, const RECT& band, COLORREF face)
{
    const int all = (band.right - band.left) * (band.bottom - band.top);
    return all - shot.Count(band, face);
}

TEST_F(SkinEngineTest, PagesThatReadRightToLeftGetTheSkinMirrored)
{
    ASSERT_TRUE(LoadControlLibraries());
    ASSERT_TRUE(copy.Load());
    SkinEngineApply(copy.engine(), SkinFilePath("Daylight.skf").c_str());
    TestDialog page(kControlsDialog);
    ASSERT_NE(nullptr, page.get());
    FillControlsPage(page);
    const WindowCapture before = CaptureWindow(page.get());
    EXPECT_TRUE(CloseButtonAt(page.get(), false));
    MakeRightToLeft(page.get());
    const WindowCapture after = CaptureWindow(page.get());
    ASSERT_FALSE(after.empty());
    SaveShot(after, "controls-Daylight-right-to-left.png");
    EXPECT_LT(SystemColourShare(after), 0.01);
    // The caption's buttons at its left.
    EXPECT_TRUE(CloseButtonAt(page.get(), true));
    EXPECT_FALSE(CloseButtonAt(page.get(), false));
    // The check box's glyph at the right of its label, none at the left.
    const COLORREF face = DialogFaceColour(page.get());
    const RECT box = page.rect(kAccept);
    const RECT leftEnd = {box.left, box.top, box.left + 14, box.bottom};
    const RECT rightEnd = {box.right - 14, box.top, box.right, box.bottom};
    EXPECT_GT(InkIn(before, leftEnd, face), 40);
    EXPECT_EQ(0, InkIn(before, rightEnd, face));
    EXPECT_EQ(0, InkIn(after, leftEnd, face));
    EXPECT_GT(InkIn(after, rightEnd, face), 40);
    // The progress bar fills from the right: its ends have changed places.
    const RECT bar = page.rect(kProgress);
    const int middle = (bar.top + bar.bottom) / 2;
    EXPECT_EQ(before.At(bar.left + 8, middle), after.At(bar.right - 9, middle));
    EXPECT_EQ(before.At(bar.right - 9, middle), after.At(bar.left + 8, middle));
    EXPECT_NE(after.At(bar.left + 8, middle), after.At(bar.right - 9, middle));
}

// The menu a timer finds open, read back, then closed: TrackPopupMenu holds
// the thread until the menu closes, and dispatches the timer meanwhile.
WindowCapture openMenuShot;
void CALLBACK ReadOpenMenu(HWND owner, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(owner, timer);
    if (HWND menu = FindWindowA("#32768", nullptr))
        openMenuShot = ReadWindow(menu);
    EndMenu();
}

TEST_F(SkinEngineTest, PopupMenusAreDrawnInTheSkinAndGiveTheirItemsBack)
{
    const SkinLook midnight = LookOf("Midnight.skf");
    ASSERT_TRUE(copy.Load());
    SkinEngineApply(copy.engine(), SkinFilePath("Midnight.skf").c_str());
    TestDialog dialog(kMainDialog);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "&Install locally\tCtrl+I");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 2, "Remove");
    AppendMenuA(menu, MF_STRING | MF_CHECKED, 3, "Keep settings");
    MENUITEMINFOA own = {};
    own.cbSize = sizeof own;
    own.fMask = MIIM_DATA;
    own.dwItemData = 0x5EED;  // the program's own item data
    ASSERT_TRUE(SetMenuItemInfoA(menu, 0, TRUE, &own));
    openMenuShot = WindowCapture();
    SetTimer(dialog.get(), 1, 400, ReadOpenMenu);
    EXPECT_EQ(0, TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, dialog.get(), nullptr));
    ASSERT_FALSE(openMenuShot.empty()) << "no menu window was open";
    SaveShot(openMenuShot, "popup-menu-Midnight.png");
    EXPECT_LT(SystemColourShare(openMenuShot), 0.01);
    const RECT all = {0, 0, openMenuShot.width, openMenuShot.height};
    EXPECT_GT(openMenuShot.Count(all, midnight.dialog), openMenuShot.width * openMenuShot.height / 2);
    // Closed, every item is again as the program made it.
    const UINT types[] = {MFT_STRING, MFT_SEPARATOR, MFT_STRING, MFT_STRING};
    for (int i = 0; i < 4; ++i) {
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_DATA;
        ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &item));
        EXPECT_EQ(types[i], item.fType) << i;
        EXPECT_EQ(i == 0 ? 0x5EEDu : 0u, item.dwItemData) << i;
    }
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    ASSERT_TRUE(GetMenuInfo(menu, &info));
    EXPECT_EQ(nullptr, info.hbrBack);
    DestroyMenu(menu);
}

// What a copy of this program, started at a DPI, measures of the controls
// page in two skins (one drawn from images, one from colours alone), one
// line each in the file this variable names: "dpi N", "size SKIN PART W H",
// "clipped SKIN TEXT", "system SKIN SHARE".
constexpr char kDpiReport[] = "VELUMO_DPI_REPORT";
const char* const kDpiSkins[] = {"Daylight.skf", "Midnight.skf"};

int DisplayDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The glyph of a check box or radio button: it stands at the control's left,
// its label a gap to its right, so it spans the columns from the first that
// is not all face to the next that is. Edge pixels that smoothing has left
// close to the face do not count: they would make a small glyph look larger.
SIZE GlyphSize(const WindowCapture& shot, const RECT& control, COLORREF face)
{
    auto ink = [face](COLORREF c) {
        return std::max({std::abs(GetRValue(c) - GetRValue(face)),
                         std::abs(GetGValue(c) - GetGValue(face)),
                         std::abs(GetBValue(c) - GetBValue(face))}) >= 48;
    };
    int left = -1, right = -1, top = control.bottom, bottom = control.top;
    for (int x = control.left; x < control.right && right < 0; ++x) {
        bool inked = false;
        for (int y = control.top; y < control.bottom; ++y) {
            if (ink(shot.At(x, y))) {
                inked = true;
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
        if (inked && left < 0)
            left = x;
        else if (!inked && left >= 0)
            right = x;
    }
    return left < 0 ? SIZE{0, 0} : SIZE{(right < 0 ? control.right : right) - left, bottom - top};
}

// Texts of the page's buttons that do not fit beside what else the control
// draws, measured in the font each one is drawn in.
std::vector<std::string> ClippedTexts(HWND page, int glyphWidth)
{
    std::vector<std::string> clipped;
    const int dpi = DisplayDpi();
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[256] = {};
        if (ClassOf(child) != "Button" || !GetWindowTextW(child, text, 256))
            continue;
        RECT room;
        GetClientRect(child, &room);
        const LONG type = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_GROUPBOX)
            room.right -= MulDiv(16, dpi, 96);
        else if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
            room.right -= glyphWidth + MulDiv(4, dpi, 96);
        HDC dc = GetDC(child);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
        RECT needed = {0, 0, 0, 0};
        DrawTextW(dc, text, -1, &needed, DT_SINGLELINE | DT_CALCRECT);
        SelectObject(dc, old);
        ReleaseDC(child, dc);
        if (needed.right > room.right || needed.bottom > room.bottom)
            clipped.push_back(CaptionOf(child));
    }
    return clipped;
}

// Started only by the test below, at the DPI it sets.
TEST_F(SkinEngineTest, DISABLED_MeasuresTheControlsPageAtTheDisplaysDpi)
{
    char path[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA(kDpiReport, path, MAX_PATH));
    ASSERT_TRUE(LoadControlLibraries());
    FILE* report = fopen(path, "w");
    ASSERT_NE(nullptr, report);
    fprintf(report, "dpi %d\n", DisplayDpi());
    for (const char* file : kDpiSkins) {
        ASSERT_TRUE(copy.Load());
        SkinEngineApply(copy.engine(), SkinFilePath(file).c_str());
        {
            TestDialog page(kControlsDialog);
            ASSERT_NE(nullptr, page.get());
            FillControlsPage(page);
            const WindowCapture shot = CaptureWindow(page.get());
            ASSERT_FALSE(shot.empty());
            SaveShot(shot, "controls-" + std::string(file) + "-" +
                               std::to_string(DisplayDpi()) + "dpi.png");
            const COLORREF face = DialogFaceColour(page.get());
            const SIZE check = GlyphSize(shot, page.rect(kAccept), face);
            const SIZE radio = GlyphSize(shot, page.rect(kTypical), face);
            const RECT closePlace = CloseButtonPlace(page.get());
            const SIZE close = {closePlace.right - closePlace.left, closePlace.bottom - closePlace.top};
            fprintf(report, "size %s check %ld %ld\nsize %s radio %ld %ld\nsize %s close %ld %ld\n",
                    file, check.cx, check.cy, file, radio.cx, radio.cy, file, close.cx, close.cy);
            for (const std::string& text : ClippedTexts(page.get(), check.cx))
                fprintf(report, "clipped %s %s\n", file, text.c_str());
            fprintf(report, "system %s %.4f\n", file, SystemColourShare(shot));
        }
        copy.Release();
    }
    fclose(report);
}

TEST_F(SkinEngineTest, GlyphsCaptionButtonsAndTextsGrowWithTheDisplaysDpi)
{
    const std::string self = OwnProgramPath();
    TempFolder work;
    std::map<std::string, std::pair<long, long>> at96;  // "SKIN PART" -> size at 96 DPI
    for (const int dpi : {96, 144, 192}) {
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        const std::string reportPath = work / ("dpi-" + std::to_string(dpi) + ".txt");
        {
            DpiOverride display(dpi);
            EnvironmentOverride report(kDpiReport, reportPath);
            TestProcess probe("\"" + self +
                                  "\" --gtest_also_run_disabled_tests "
                                  "--gtest_filter=SkinEngineTest.DISABLED_MeasuresTheControlsPageAtTheDisplaysDpi",
                              work.path());
            ASSERT_TRUE(probe.started());
            // Two skins, a page each: seconds; a minute means it hangs.
            ASSERT_EQ(0u, probe.Wait(60000)) << "the measuring copy failed or hung";
        }
        std::istringstream lines(ReadFileBytes(reportPath));
        std::string line;
        int reportedDpi = 0, sizes = 0;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            std::string what, skin, part;
            words >> what;
            if (what == "dpi") {
                words >> reportedDpi;
            } else if (what == "size") {
                long width = 0, height = 0;
                words >> skin >> part >> width >> height;
                const std::string key = skin + " " + part;
                printf("[ size ] %d DPI %s: %ldx%ld\n", dpi, key.c_str(), width, height);
                ++sizes;
                EXPECT_GT(width, 0) << key;
                if (dpi == 96) {
                    at96[key] = {width, height};
                    continue;
                }
                // Within a pixel of the 96-DPI size at this scale.
                EXPECT_NEAR(at96[key].first * dpi / 96.0, width, 1.0) << key;
                EXPECT_NEAR(at96[key].second * dpi / 96.0, height, 1.0) << key;
            } else if (what == "clipped") {
                ADD_FAILURE() << "text does not fit its control: " << line;
            } else if (what == "system") {
                double share = 1;
                words >> skin >> share;
                EXPECT_LT(share, 0.01) << skin;
            }
        }
        EXPECT_EQ(dpi, reportedDpi) << "the display's DPI was not the one set";
        EXPECT_EQ(6, sizes);
    }
}

} // namespace
