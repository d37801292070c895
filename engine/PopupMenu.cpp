#include "PopupMenu.h"

#include "DialogFace.h"
#include "HeapGlobal.h"
#include "SkinPainter.h"
#include "WindowDpi.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kMenuFrameId = 0x56534D46;

struct MenuColours {
    COLORREF face, text, disabled, selection, selectionText, frame;
};

// An item the engine draws, and what it was before.
struct DrawnItem {
    UINT type;        // its own MFT_* type, put back on closing
    ULONG_PTR data;   // its own item data, likewise
    std::wstring text;
};

// A menu open on a skinned window of this thread.
struct OpenMenu {
    HMENU menu;
    HWND owner;
    MenuColours colours;
    int dpi;
    FontHandle font;
    BrushHandle face;  // the menu's background while it is open
    MENUINFO oldInfo = {};
    std::vector<std::unique_ptr<DrawnItem>> items;
};

// The menus open on skinned windows of any thread: on the heap only while
// there are some, so that nothing stays behind when the engine is released.
using OpenMenus = std::vector<std::unique_ptr<OpenMenu>>;
HeapGlobal<OpenMenus> openMenus;

// A menu stands on the face of the dialog it opens over; its chosen item
// looks as a chosen item of the window that opened it.
MenuColours ColoursOf(const SkinObjectPaint& surface, const SkinObjectPaint& owner)
{
    const SkinStyle& s = surface.style;
    return {s.face, s.text, s.disabled, owner.colours.selection, owner.colours.selectionText,
            surface.colours.frame};
}

HFONT MenuFont(int dpi)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    // The system's menu font is measured at the screen's DPI.
    HDC screen = GetDC(nullptr);
    const int screenDpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen)
        ReleaseDC(nullptr, screen);
    metrics.lfMenuFont.lfHeight = MulDiv(metrics.lfMenuFont.lfHeight, dpi, screenDpi);
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

// The record of an open menu, or null; for as long as the lock is held.
OpenMenu* OpenFor(const HeapGlobal<OpenMenus>::Exclusive& menus, HMENU menu)
{
    if (menus) {
        for (const auto& open : *menus.get()) {
            if (open->menu == menu)
                return open.get();
        }
    }
    return nullptr;
}

// The item's text, however long.
std::wstring ItemText(HMENU menu, int position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info) || !info.cch)
        return std::wstring();
    std::wstring text(info.cch + 1, L'\0');
    info.dwTypeData = &text[0];
    info.cch = static_cast<UINT>(text.size());
    if (!GetMenuItemInfoW(menu, position, TRUE, &info))
        return std::wstring();
    text.resize(info.cch);
    return text;
}

void Close(OpenMenu& open);

void Open(HWND owner, HMENU menu, const SkinObjectPaint& surface, const SkinObjectPaint& paint)
{
    {
        // Shown again before it was closed: it is drawn in the skin already.
        HeapGlobal<OpenMenus>::Exclusive menus(openMenus);
        if (OpenFor(menus, menu))
            return;
    }
    auto open = std::make_unique<OpenMenu>();
    open->menu = menu;
    open->owner = owner;
    open->colours = ColoursOf(surface, paint);
    open->dpi = WindowDpi(owner);
    open->font.reset(MenuFont(open->dpi));
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_BITMAP;
        // The program's own drawn items and pictures stay as they are.
        if (!GetMenuItemInfoW(menu, i, TRUE, &info) || (info.fType & (MFT_OWNERDRAW | MFT_BITMAP)) ||
            info.hbmpItem)
            continue;
        auto item = std::make_unique<DrawnItem>();
        item->type = info.fType;
        item->data = info.dwItemData;
        item->text = ItemText(menu, i);
        MENUITEMINFOW drawn = {};
        drawn.cbSize = sizeof drawn;
        drawn.fMask = MIIM_FTYPE | MIIM_DATA;
        drawn.fType = info.fType | MFT_OWNERDRAW;
        drawn.dwItemData = reinterpret_cast<ULONG_PTR>(item.get());
        if (SetMenuItemInfoW(menu, i, TRUE, &drawn))
            open->items.push_back(std::move(item));
    }
    open->oldInfo.cbSize = sizeof open->oldInfo;
    open->oldInfo.fMask = MIM_BACKGROUND;
    GetMenuInfo(menu, &open->oldInfo);
    open->face.reset(CreateSolidBrush(open->colours.face));
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = open->face.get();
    SetMenuInfo(menu, &info);
    HeapGlobal<OpenMenus>::Exclusive menus(openMenus);
    if (OpenMenus* list = menus.Ensure())
        list->push_back(std::move(open));
    else
        Close(*open);
}

// Puts the menu's items and background back as the program made them.
void Close(OpenMenu& open)
{
    if (IsMenu(open.menu)) {
        const int count = GetMenuItemCount(open.menu);
        for (int i = 0; i < count; ++i) {
            MENUITEMINFOW info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_DATA;
            if (!GetMenuItemInfoW(open.menu, i, TRUE, &info))
                continue;
            for (const auto& item : open.items) {
                if (info.dwItemData != reinterpret_cast<ULONG_PTR>(item.get()))
                    continue;
                MENUITEMINFOW own = {};
                own.cbSize = sizeof own;
                own.fMask = MIIM_FTYPE | MIIM_DATA;
                own.fType = item->type;
                own.dwItemData = item->data;
                SetMenuItemInfoW(open.menu, i, TRUE, &own);
            }
        }
        SetMenuInfo(open.menu, &open.oldInfo);
    }
}

template <typename Match>
void CloseWhere(Match match)
{
    HeapGlobal<OpenMenus>::Exclusive menus(openMenus);
    if (!menus)
        return;
    for (auto it = menus->begin(); it != menus->end();) {
        if (match(**it)) {
            Close(**it);
            it = menus->erase(it);
        } else {
            ++it;
        }
    }
    if (menus->empty())
        delete menus.Take();
}

// Calls act with the open menu and the item whose item data this is, under
// the lock; false when the item is none of the engine's (the program's own).
template <typename Act>
bool ForOwnItem(ULONG_PTR data, Act act)
{
    HeapGlobal<OpenMenus>::Exclusive menus(openMenus);
    if (!menus)
        return false;
    for (const auto& open : *menus.get()) {
        for (const auto& item : open->items) {
            if (reinterpret_cast<ULONG_PTR>(item.get()) == data) {
                act(*open, *item);
                return true;
            }
        }
    }
    return false;
}

// The text before and after the tab that sets off a shortcut key.
std::pair<std::wstring, std::wstring> SplitAtTab(const std::wstring& text)
{
    const size_t tab = text.find(L'\t');
    if (tab == std::wstring::npos)
        return {text, std::wstring()};
    return {text.substr(0, tab), text.substr(tab + 1)};
}

void Measure(const OpenMenu& open, const DrawnItem& item, MEASUREITEMSTRUCT& measure)
{
    const int dpi = open.dpi;
    if (item.type & MFT_SEPARATOR) {
        measure.itemWidth = AtDpi(8, dpi);
        measure.itemHeight = AtDpi(7, dpi);
        return;
    }
    const auto parts = SplitAtTab(item.text);
    RECT label = {}, key = {};
    if (HDC dc = GetDC(open.owner)) {
        HGDIOBJ old = open.font ? SelectObject(dc, open.font.get()) : nullptr;
        DrawTextW(dc, parts.first.c_str(), -1, &label, DT_SINGLELINE | DT_CALCRECT);
        if (!parts.second.empty())
            DrawTextW(dc, parts.second.c_str(), -1, &key, DT_SINGLELINE | DT_CALCRECT);
        if (old)
            SelectObject(dc, old);
        ReleaseDC(open.owner, dc);
    }
    // Room for a check mark at the left, the label, a gap, the shortcut key.
    // The system adds its own room for a submenu's arrow.
    measure.itemWidth = AtDpi(20, dpi) + label.right +
                        (key.right ? AtDpi(24, dpi) + key.right : 0) + AtDpi(8, dpi);
    measure.itemHeight = std::max<UINT>(label.bottom + AtDpi(6, dpi), AtDpi(18, dpi));
}

void Draw(const OpenMenu& open, const DrawnItem& item, const DRAWITEMSTRUCT& draw)
{
    const MenuColours& c = open.colours;
    const int dpi = open.dpi;
    HDC dc = draw.hDC;
    const RECT area = draw.rcItem;
    if (item.type & MFT_SEPARATOR) {
        FillColour(dc, area, c.face);
        const int middle = (area.top + area.bottom) / 2;
        const RECT line = {area.left + AtDpi(4, dpi), middle, area.right - AtDpi(4, dpi),
                           middle + std::max(1, AtDpi(1, dpi))};
        FillColour(dc, line, c.frame);
        return;
    }
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool disabled = (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    FillColour(dc, area, selected ? c.selection : c.face);
    const COLORREF ink = disabled ? c.disabled : selected ? c.selectionText : c.text;
    if (draw.itemState & ODS_CHECKED) {
        // A tick, or a dot for a radio item, in the margin.
        const int size = AtDpi(8, dpi);
        const int x = area.left + AtDpi(6, dpi), y = (area.top + area.bottom - size) / 2;
        HPEN pen = CreatePen(PS_SOLID, std::max(1, AtDpi(2, dpi)), ink);
        HGDIOBJ oldPen = pen ? SelectObject(dc, pen) : nullptr;
        if (item.type & MFT_RADIOCHECK) {
            HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
            const COLORREF oldColour = SetDCBrushColor(dc, ink);
            Ellipse(dc, x + size / 4, y + size / 4, x + size - size / 4, y + size - size / 4);
            SetDCBrushColor(dc, oldColour);
            SelectObject(dc, oldBrush);
        } else if (pen) {
            MoveToEx(dc, x, y + size / 2, nullptr);
            LineTo(dc, x + size / 3, y + size - 1);
            LineTo(dc, x + size, y);
        }
        if (oldPen)
            SelectObject(dc, oldPen);
        if (pen)
            DeleteObject(pen);
    }
    HGDIOBJ oldFont = open.font ? SelectObject(dc, open.font.get()) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    const UINT format = DT_SINGLELINE | DT_VCENTER | ((draw.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
    const auto parts = SplitAtTab(item.text);
    RECT text = area;
    text.left += AtDpi(20, dpi);
    text.right -= AtDpi(8, dpi);
    DrawTextW(dc, parts.first.c_str(), -1, &text, format | DT_LEFT);
    if (!parts.second.empty())
        DrawTextW(dc, parts.second.c_str(), -1, &text, format | DT_RIGHT);
    if (oldFont)
        SelectObject(dc, oldFont);
}

// The menu window's edge, which the system draws in its own colours, in the
// skin's frame colour around a ring of its face. reference: the window's
// own copy of the menu's colours, which outlives the menu's closing.
LRESULT CALLBACK MenuFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               UINT_PTR, DWORD_PTR reference)
{
    auto* colours = reinterpret_cast<MenuColours*>(reference);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, MenuFrameProc, kMenuFrameId);
        delete colours;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_PAINT || message == WM_NCPAINT) {
        RECT bounds;
        GetWindowRect(window, &bounds);
        OffsetRect(&bounds, -bounds.left, -bounds.top);
        if (HDC dc = GetWindowDC(window)) {
            FrameColour(dc, bounds, colours->frame);
            InflateRect(&bounds, -1, -1);
            FrameColour(dc, bounds, colours->face);
            ReleaseDC(window, dc);
        }
    }
    return result;
}

void SkinMenuWindow(HWND menuWindow)
{
    DWORD_PTR reference = 0;
    if (!menuWindow || GetWindowSubclass(menuWindow, MenuFrameProc, kMenuFrameId, &reference))
        return;
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    HeapGlobal<OpenMenus>::Exclusive menus(openMenus);
    const OpenMenu* open = OpenFor(menus, menu);
    if (!open)
        return;
    auto* colours = new MenuColours(open->colours);
    if (SetWindowSubclass(menuWindow, MenuFrameProc, kMenuFrameId,
                          reinterpret_cast<DWORD_PTR>(colours)))
        RedrawWindow(menuWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
    else
        delete colours;
}

} // namespace

LRESULT PopupMenuMessage(HWND owner, UINT message, WPARAM wParam, LPARAM lParam,
                         const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    switch (message) {
    case WM_INITMENUPOPUP: {
        // The window menu is the system's, drawn with the frame.
        if (!paint.full || HIWORD(lParam))
            return 0;
        const SkinObjectPaint* surface = (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD)
                                             ? StandingFace(owner, skin).dialog
                                             : &paint;
        Open(owner, reinterpret_cast<HMENU>(wParam), surface ? *surface : paint, paint);
        return 0;  // the program hears of it too
    }
    case WM_UNINITMENUPOPUP:
        CloseWhere([&](const OpenMenu& open) { return open.menu == reinterpret_cast<HMENU>(wParam); });
        return 0;
    case WM_EXITMENULOOP:
        CloseWhere([&](const OpenMenu& open) { return open.owner == owner; });
        return 0;
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU)
            SkinMenuWindow(reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_MEASUREITEM: {
        auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        handled = measure.CtlType == ODT_MENU &&
                  ForOwnItem(measure.itemData, [&](const OpenMenu& open, const DrawnItem& item) {
                      Measure(open, item, measure);
                  });
        return handled;
    }
    case WM_DRAWITEM: {
        const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        handled = draw.CtlType == ODT_MENU &&
                  ForOwnItem(draw.itemData, [&](const OpenMenu& open, const DrawnItem& item) {
                      Draw(open, item, draw);
                  });
        return handled;
    }
    default:
        return 0;
    }
}
