#include "TestWindows.h"

#include <shlobj.h>

#include <vector>

std::string CaptionOf(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string InternalTextOf(HWND window)
{
    wchar_t wide[1024] = L"";
    InternalGetWindowText(window, wide, 1024);
    char text[2048] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

namespace {

BOOL CALLBACK AddChildText(HWND child, LPARAM texts)
{
    *reinterpret_cast<std::string*>(texts) += InternalTextOf(child) + "|";
    return TRUE;
}

} // namespace

std::string ChildTexts(HWND window)
{
    std::string texts;
    EnumChildWindows(window, AddChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

namespace {

struct ChildSearch {
    const std::string& text;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM parameter)
{
    auto* search = reinterpret_cast<ChildSearch*>(parameter);
    if ((!search->className || lstrcmpiA(ClassOf(child).c_str(), search->className) == 0) &&
        CaptionOf(child) == search->text) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND ChildWithText(HWND parent, const std::string& text, const char* className)
{
    ChildSearch search = {text, className, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ProgramFilesPath(const std::string& rest)
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
    return std::string(folder) + "\\" + rest;
}

RECT CloseButtonPlace(HWND window)
{
    RECT bounds, client;
    GetWindowRect(window, &bounds);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    auto hit = [window](int x, int y) {
        return SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE;
    };
    const int middle = (bounds.top + client.top) / 2;
    RECT place = {bounds.left, middle, bounds.left, middle + 1};
    while (place.left < bounds.right && !hit(place.left, middle))
        ++place.left;
    for (place.right = place.left; place.right < bounds.right && hit(place.right, middle);)
        ++place.right;
    if (place.right == place.left)
        return RECT{};
    const int centre = (place.left + place.right) / 2;
    for (place.top = middle; place.top > bounds.top && hit(centre, place.top - 1);)
        --place.top;
    for (place.bottom = middle + 1; place.bottom < client.top && hit(centre, place.bottom);)
        ++place.bottom;
    return place;
}

bool CloseButtonAt(HWND window, bool left)
{
    const RECT place = CloseButtonPlace(window);
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int middle = (bounds.left + bounds.right) / 2;
    return !IsRectEmpty(&place) && (left ? place.right <= middle : place.left >= middle);
}

void MakeRightToLeft(HWND page)
{
    std::vector<HWND> windows = {page};
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        windows.push_back(child);
    for (HWND window : windows) {
        SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_RTLREADING |
                                                WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR);
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}
