#include "Hyperlink.h"
#include "TestFiles.h"
#include "TestProcess.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int kFirstLink = 1012;
constexpr int kSecondLink = 1013;
constexpr int kPlainText = 1014;

// The dialog's own procedure is the last to see WM_NCDESTROY.
bool gDialogSawNcDestroy = false;

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    if (message == WM_NCDESTROY)
        gDialogSawNcDestroy = true;
    return FALSE;
}

HyperlinkRecord RecordOf(HWND window, const char* property)
{
    HyperlinkRecord record = {};
    HGLOBAL block = GetPropA(window, property);
    if (auto* locked = static_cast<HyperlinkRecord*>(GlobalLock(block))) {
        record = *locked;
        GlobalUnlock(block);
    }
    return record;
}

WNDPROC ProcedureOf(HWND window)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

class HyperlinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(200), nullptr,
                                    PlainDialogProc, 0);
        ASSERT_NE(nullptr, dialog);
    }
    void TearDown() override
    {
        if (IsWindow(dialog))
            DestroyWindow(dialog);
    }

    HWND item(int id) const { return GetDlgItem(dialog, id); }

    // What the dialog answers when the static control asks for its colours.
    LRESULT Colour(int id, HDC dc)
    {
        return SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(item(id)));
    }

    HWND dialog = nullptr;
};

TEST_F(HyperlinkTest, EachWindowIsSubclassedOnceHoweverOftenLinksAreSet)
{
    WNDPROC labelBefore = ProcedureOf(item(kFirstLink));
    WNDPROC dialogBefore = ProcedureOf(dialog);

    SetHyperlink(dialog, kFirstLink, "https://www.example.com/first");
    SetHyperlink(dialog, kFirstLink, "mailto:support@example.com");
    SetHyperlink(dialog, kSecondLink, "https://www.example.com/second");

    EXPECT_EQ(HyperlinkLabelProc, ProcedureOf(item(kFirstLink)));
    EXPECT_EQ(HyperlinkLabelProc, ProcedureOf(item(kSecondLink)));
    EXPECT_EQ(HyperlinkDialogProc, ProcedureOf(dialog));
    EXPECT_NE(HyperlinkLabelProc, ProcedureOf(item(kPlainText)));

    HyperlinkRecord first = RecordOf(item(kFirstLink), kHyperlinkLabelProp);
    EXPECT_STREQ("mailto:support@example.com", first.target);
    EXPECT_EQ(labelBefore, first.prevWndProc);
    EXPECT_EQ(nullptr, first.underlineFont);
    EXPECT_EQ(nullptr, first.backBrush);

    HyperlinkRecord dialogRecord = RecordOf(dialog, kHyperlinkDialogProp);
    EXPECT_EQ(dialogBefore, dialogRecord.prevWndProc);
    EXPECT_EQ(nullptr, dialogRecord.target);
    EXPECT_NE(nullptr, dialogRecord.backBrush);
    EXPECT_EQ(nullptr, GetPropA(item(kPlainText), kHyperlinkLabelProp));
}

TEST_F(HyperlinkTest, LinksAreBlueAndUnderlinedWithOneBrushAndOneFont)
{
    SetHyperlink(dialog, kFirstLink, "https://www.example.com/first");
    SetHyperlink(dialog, kSecondLink, "https://www.example.com/second");
    const HBRUSH brush = RecordOf(dialog, kHyperlinkDialogProp).backBrush;

    HDC dc = GetDC(item(kFirstLink));
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    SetTextColor(dc, RGB(1, 2, 3));
    EXPECT_EQ(reinterpret_cast<LRESULT>(brush), Colour(kFirstLink, dc));
    EXPECT_EQ(RGB(0, 0, 255), GetTextColor(dc));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetBkColor(dc));
    HFONT font = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    LOGFONTA described = {};
    ASSERT_TRUE(GetObjectA(font, sizeof described, &described));
    EXPECT_EQ(1, described.lfUnderline);
    EXPECT_EQ(font, RecordOf(dialog, kHyperlinkDialogProp).underlineFont);

    // The second link reuses the font and the brush.
    EXPECT_EQ(reinterpret_cast<LRESULT>(brush), Colour(kSecondLink, dc));
    EXPECT_EQ(font, GetCurrentObject(dc, OBJ_FONT));
    EXPECT_EQ(font, RecordOf(dialog, kHyperlinkDialogProp).underlineFont);

    // A static text that is no link keeps the dialog's usual colours.
    EXPECT_NE(reinterpret_cast<LRESULT>(brush), Colour(kPlainText, dc));
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), GetTextColor(dc));
    ReleaseDC(item(kFirstLink), dc);
}

TEST_F(HyperlinkTest, LabelAnswersTheMouseWithTheHandCursor)
{
    SetHyperlink(dialog, kFirstLink, "https://www.example.com/");
    HWND label = item(kFirstLink);
    EXPECT_EQ(HTCLIENT, SendMessageA(label, WM_NCHITTEST, 0, MAKELPARAM(5, 5)));
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // the arrow
    EXPECT_EQ(TRUE, SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)), GetCursor());
}

// Sits outside the link procedures and looks at the window's properties once
// WM_DESTROY has been through them.
WNDPROC outerPrevious[2];
bool propertyLeft[2];
LRESULT CALLBACK WatchLabel(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY)
        propertyLeft[0] = GetPropA(window, kHyperlinkLabelProp) != nullptr;
    return CallWindowProcA(outerPrevious[0], window, message, wParam, lParam);
}
LRESULT CALLBACK WatchDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY)
        propertyLeft[1] = GetPropA(window, kHyperlinkDialogProp) != nullptr;
    return CallWindowProcA(outerPrevious[1], window, message, wParam, lParam);
}

TEST_F(HyperlinkTest, DestroyingTheDialogFreesRecordsBrushAndFont)
{
    SetHyperlink(dialog, kFirstLink, "https://www.example.com/");
    HDC dc = GetDC(item(kFirstLink));
    Colour(kFirstLink, dc);
    ReleaseDC(item(kFirstLink), dc);
    const HyperlinkRecord record = RecordOf(dialog, kHyperlinkDialogProp);
    ASSERT_EQ(OBJ_BRUSH, DWORD(GetObjectType(record.backBrush)));
    ASSERT_EQ(OBJ_FONT, DWORD(GetObjectType(record.underlineFont)));

    propertyLeft[0] = propertyLeft[1] = true;
    outerPrevious[0] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(item(kFirstLink), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchLabel)));
    outerPrevious[1] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchDialog)));
    gDialogSawNcDestroy = false;
    ASSERT_TRUE(DestroyWindow(dialog));

    EXPECT_FALSE(propertyLeft[0]);
    EXPECT_FALSE(propertyLeft[1]);
    // The message after the record's end still reaches the procedures below.
    EXPECT_TRUE(gDialogSawNcDestroy);
    EXPECT_EQ(0u, DWORD(GetObjectType(record.backBrush)));
    EXPECT_EQ(0u, DWORD(GetObjectType(record.underlineFont)));
}

int CountClicks(const std::string& file)
{
    std::string text = ReadFileBytes(file);
    return int(std::count(text.begin(), text.end(), '\n'));
}

bool WaitForClicks(const std::string& file, int count, DWORD milliseconds)
{
    return WaitUntil([&] { return CountClicks(file) >= count; }, milliseconds);
}

TEST_F(HyperlinkTest, TargetOpensWhenTheButtonGoesDownOncePerDoubleClick)
{
    TempFolder folder;
    std::string program = folder / "LinkTarget.exe";
    ASSERT_TRUE(CopyFileA((FolderOf(OwnProgramPath()) + "\\LinkTarget.exe").c_str(),
                          program.c_str(), FALSE));
    const std::string clicks = folder / "clicks.txt";
    SetHyperlink(dialog, kFirstLink, program.c_str());
    HWND label = item(kFirstLink);

    // Releasing the button opens nothing.
    SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    // A double click: down, up, double click, up.
    SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(label, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitForClicks(clicks, 1, 60000));
    // Give a wrongly started second launch the time to show itself.
    EXPECT_FALSE(WaitForClicks(clicks, 2, 10000));
    EXPECT_EQ(1, CountClicks(clicks));
}

} // namespace
