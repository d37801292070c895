#include "WindowKinds.h"

namespace {

struct ClassRule {
    const wchar_t* className;
    WindowClass windowClass;
    SkinKind kind;  // buttons are told apart by style below
};

const ClassRule kClassRules[] = {
    {L"#32770", WindowClass::Dialog, SkinKind::Dialog},
    {L"Button", WindowClass::Button, SkinKind::PushButton},
    {L"Static", WindowClass::Static, SkinKind::Static},
    {L"Edit", WindowClass::Edit, SkinKind::Edit},
    {L"RichEdit20W", WindowClass::RichEdit, SkinKind::Edit},
    {L"RichEdit20A", WindowClass::RichEdit, SkinKind::Edit},
    {L"RICHEDIT50W", WindowClass::RichEdit, SkinKind::Edit},
    {L"ListBox", WindowClass::ListBox, SkinKind::ListBox},
    {L"ComboLBox", WindowClass::ComboLBox, SkinKind::ListBox},
    {L"SysTreeView32", WindowClass::TreeView, SkinKind::ListView},
    {L"SysHeader32", WindowClass::Header, SkinKind::ListView},
    {L"ComboBox", WindowClass::ComboBox, SkinKind::ComboBox},
    {L"SysListView32", WindowClass::ListView, SkinKind::ListView},
    {L"msctls_progress32", WindowClass::Progress, SkinKind::ProgressBar},
    {L"ScrollBar", WindowClass::ScrollBar, SkinKind::ScrollBar},
};

const ClassRule* RuleFor(HWND window)
{
    wchar_t className[64] = {};
    if (!GetClassNameW(window, className, 64))
        return nullptr;
    for (const ClassRule& rule : kClassRules) {
        if (_wcsicmp(className, rule.className) == 0)
            return &rule;
    }
    return nullptr;
}

int ButtonObject(LONG style)
{
    const LONG type = style & BS_TYPEMASK;
    // An icon or bitmap push button takes the skin's face under its picture;
    // other buttons with pictures keep their own drawing.
    if ((style & (BS_BITMAP | BS_ICON)) && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
        return kNoObject;
    switch (type) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        return static_cast<int>(SkinKind::PushButton);
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return static_cast<int>(SkinKind::CheckBox);
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return static_cast<int>(SkinKind::RadioButton);
    case BS_GROUPBOX:
        return static_cast<int>(SkinKind::GroupBox);
    default:
        return kNoObject;  // owner-drawn and the rest belong to their owner
    }
}

} // namespace

WindowClass IdentifyClass(HWND window)
{
    const ClassRule* rule = RuleFor(window);
    return rule ? rule->windowClass : WindowClass::Other;
}

int ClassifyWindow(HWND window, LONG style)
{
    if (const ClassRule* rule = RuleFor(window)) {
        return rule->windowClass == WindowClass::Button ? ButtonObject(style)
                                                         : static_cast<int>(rule->kind);
    }
    // Top-level windows with a caption are dialogs whatever their class: the
    // installer's dialogs use a window class of their own. An overlapped
    // window (neither child nor pop-up) always gets a caption, even when its
    // creator asked only for WS_OVERLAPPED | WS_SYSMENU, as the installer
    // does; at creation time its style does not show it yet.
    const bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    if (!(style & WS_CHILD) && ((style & WS_CAPTION) == WS_CAPTION || overlapped))
        return static_cast<int>(SkinKind::Dialog);
    return kNoObject;
}

int ClassifyPicture(LONG style, const RECT& placed, const RECT& parentClient)
{
    if ((style & SS_TYPEMASK) != SS_BITMAP || !(style & WS_CHILD))
        return kNoObject;
    const LONG width = parentClient.right - parentClient.left;
    const LONG height = parentClient.bottom - parentClient.top;
    if (width <= 0 || height <= 0 || placed.right <= placed.left || placed.bottom <= placed.top)
        return kNoObject;
    const LONG slackX = width / 50 > 2 ? width / 50 : 2;
    const LONG slackY = height / 50 > 2 ? height / 50 : 2;
    if (placed.left - parentClient.left > slackX || placed.top - parentClient.top > slackY)
        return kNoObject;
    const LONG tall = placed.bottom - placed.top;
    if (parentClient.right - placed.right <= slackX && tall * 3 <= height)
        return kBannerObject;
    if (tall * 5 >= height * 3)
        return kSideImageObject;
    return kNoObject;
}

int ClassifyPicture(HWND window, LONG style)
{
    HWND parent = GetParent(window);
    RECT placed, client;
    if (!parent || !GetWindowRect(window, &placed) || !GetClientRect(parent, &client))
        return kNoObject;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&placed), 2);
    return ClassifyPicture(style, placed, client);
}

bool IsTransparentText(HWND window)
{
    if (IdentifyClass(window) != WindowClass::Static ||
        !(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
        return false;
    switch (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) {
    case SS_LEFT: case SS_CENTER: case SS_RIGHT: case SS_SIMPLE: case SS_LEFTNOWORDWRAP:
        return true;
    default:
        return false;
    }
}

bool IsBitmapStatic(HWND window)
{
    return IdentifyClass(window) == WindowClass::Static &&
           (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

bool ReadsRightToLeft(HWND window)
{
    return (GetWindowLongW(window, GWL_EXSTYLE) & (WS_EX_LAYOUTRTL | WS_EX_RTLREADING)) != 0;
}
