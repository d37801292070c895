#include "FieldWindow.h"

#include "DialogFace.h"
#include "EditRecolour.h"
#include "PaintMessage.h"
#include "SkinControls.h"
#include "WindowDpi.h"
#include "WindowState.h"

#include <richedit.h>

namespace {

ScrollColours ScrollColoursOf(const Skin& skin, const SkinObjectPaint& field)
{
    return ScrollColoursFor(skin.object(static_cast<int>(SkinKind::ScrollBar)), field);
}

bool SameScroll(const SCROLLINFO& a, const SCROLLINFO& b)
{
    return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}

// The system draws a window's scroll bars at once whenever their range or
// position changes; the skin's are drawn over them again after the message.
void RedrawScrollBarsIfMoved(HWND window, WindowData& data, const Skin& skin,
                             const SkinObjectPaint& paint)
{
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    if (!(style & (WS_VSCROLL | WS_HSCROLL)) || !IsWindowVisible(window))
        return;
    // A bar shown or hidden is drawn by the system too, with nothing moved.
    bool moved = (style & (WS_VSCROLL | WS_HSCROLL)) != data.scrollStyle;
    data.scrollStyle = style & (WS_VSCROLL | WS_HSCROLL);
    for (int bar : {SB_VERT, SB_HORZ}) {
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        if (!GetScrollInfo(window, bar, &info))
            continue;
        moved |= !SameScroll(info, data.scroll[bar]);
        data.scroll[bar] = info;
    }
    if (moved)
        PaintFieldFrame(window, paint, ScrollColoursOf(skin, paint));
}

void PaintFieldNonClient(HWND window, WindowData& data, const Skin& skin,
                         const SkinObjectPaint& paint)
{
    data.scrollStyle = GetWindowLongW(window, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL);
    for (int bar : {SB_VERT, SB_HORZ}) {
        data.scroll[bar].cbSize = sizeof data.scroll[bar];
        data.scroll[bar].fMask = SIF_ALL;
        GetScrollInfo(window, bar, &data.scroll[bar]);
    }
    PaintFieldFrame(window, paint, ScrollColoursOf(skin, paint));
}

constexpr UINT_PTR kFrameTimer = 0x56534B46;  // the engine's own, apart from the control's
constexpr UINT kFrameSettleMs = 150;

// Messages on which the system draws a window's scroll bars at once with
// nothing about them changed: a view setting them again as it paints or is
// told something, and the mouse passing over them (hot arrows and thumbs).
bool RedrawsScrollBars(UINT message)
{
    constexpr UINT kFirstViewMessage = 0x1000, kLastViewMessage = 0x11FF;  // LVM_, TVM_
    switch (message) {
    case WM_PAINT:
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
    case WM_SETREDRAW:
    case WM_NCMOUSEMOVE:
    case WM_NCMOUSELEAVE:
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
        return true;
    default:
        return message >= kFirstViewMessage && message <= kLastViewMessage;
    }
}

LRESULT PassToField(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                    const Skin& skin, const SkinObjectPaint& paint, bool& handled, bool richText)
{
    handled = true;
    if (message == WM_NCPAINT) {
        PaintFieldNonClient(window, data, skin, paint);
        return 0;
    }
    if (message == WM_TIMER && wParam == kFrameTimer) {
        KillTimer(window, kFrameTimer);
        PaintFieldFrame(window, paint, ScrollColoursOf(skin, paint));
        return 0;
    }
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (!IsWindow(window))
        return result;
    if (richText && (message == EM_STREAMIN || message == WM_SETTEXT))
        ColourRichText(window, paint);
    if (message == WM_ENABLE || RedrawsScrollBars(message))
        PaintFieldFrame(window, paint, ScrollColoursOf(skin, paint));
    else
        RedrawScrollBarsIfMoved(window, data, skin, paint);
    // Whatever else the control did may have drawn them too (a view updates
    // them on its header's notes, on focus, on fonts): once more when things
    // have settled.
    if (message != WM_TIMER && (GetWindowLongW(window, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)))
        SetTimer(window, kFrameTimer, kFrameSettleMs, nullptr);
    return result;
}

using ClientPainter = void (*)(HWND window, HDC dc, const Skin& skin,
                               const SkinObjectPaint& paint);

// Controls whose client area the engine paints whole; the border is a field's.
template <ClientPainter Paint>
LRESULT OwnPaintMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                        const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    if (PaintsWith(window, message, wParam, [&](HDC dc) { Paint(window, dc, skin, paint); })) {
        handled = true;
        return 0;
    }
    switch (message) {
    case WM_ERASEBKGND:
        handled = true;
        return 1;
    case WM_NCPAINT:
        return FieldMessage(window, message, wParam, lParam, data, skin, paint, handled);
    default:
        return 0;
    }
}

void PaintProgressClient(HWND window, HDC dc, const Skin&, const SkinObjectPaint& paint)
{
    PaintProgress(window, dc, paint);
}

void PaintHeaderClient(HWND window, HDC dc, const Skin&, const SkinObjectPaint& paint)
{
    PaintHeader(window, dc, paint);
}

void PaintComboBoxClient(HWND window, HDC dc, const Skin& skin, const SkinObjectPaint& paint)
{
    PaintComboBox(window, dc, paint, ScrollColoursOf(skin, paint));
}

void PaintStaticShapeClient(HWND window, HDC dc, const Skin& skin, const SkinObjectPaint& paint)
{
    PaintStaticShape(window, dc, paint, StandingFace(window, skin));
}

void PaintScrollBarClient(HWND window, HDC dc, const Skin&, const SkinObjectPaint& paint)
{
    RECT area;
    GetClientRect(window, &area);
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(window, SB_CTL, &info))
        info.nMin = info.nMax = info.nPos = info.nPage = 0;
    const bool vertical = (GetWindowLongW(window, GWL_STYLE) & SBS_VERT) != 0;
    PaintScrollBar(dc, area, vertical, info, IsWindowEnabled(window) != FALSE,
                   ScrollColoursFor(&paint, paint), WindowDpi(window));
}

template <typename Item>
LRESULT ItemColoursOf(NMCUSTOMDRAW& draw, const SkinObjectPaint& paint, bool selected)
{
    auto& item = reinterpret_cast<Item&>(draw);
    item.clrText = selected ? paint.colours.selectionText : paint.style.text;
    item.clrTextBk = selected ? paint.colours.selection : paint.style.face;
    draw.uItemState &= ~CDIS_SELECTED;
    return CDRF_DODEFAULT;
}

} // namespace

LRESULT FieldMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                     const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    return PassToField(window, message, wParam, lParam, data, skin, paint, handled, false);
}

LRESULT RichEditMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                        const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    return PassToField(window, message, wParam, lParam, data, skin, paint, handled, true);
}

LRESULT EditMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                    const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    if (message == WM_PAINT && !wParam) {
        handled = true;
        PaintEditInSkinColours(window, paint);
        return 0;
    }
    return FieldMessage(window, message, wParam, lParam, data, skin, paint, handled);
}

// List boxes draw items and selection in the system's colours, partly at
// once outside WM_PAINT; the engine draws them all.
LRESULT ListBoxMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                       const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    if (PaintsWith(window, message, wParam, [&](HDC dc) { PaintListBox(window, dc, paint); })) {
        handled = true;
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        handled = true;
        return 1;
    }
    return FieldMessage(window, message, wParam, lParam, data, skin, paint, handled);
}

LRESULT StaticBorderMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                            WindowData& data, const Skin& skin, const SkinObjectPaint& paint,
                            bool& handled)
{
    if (message != WM_NCPAINT)
        return 0;
    return FieldMessage(window, message, wParam, lParam, data, skin, paint, handled);
}

#define OWN_PAINT_HANDLER(name, painter)                                                        \
    LRESULT name(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,    \
                 const Skin& skin, const SkinObjectPaint& paint, bool& handled)                \
    {                                                                                           \
        return OwnPaintMessage<painter>(window, message, wParam, lParam, data, skin, paint,     \
                                        handled);                                               \
    }
OWN_PAINT_HANDLER(ProgressMessage, PaintProgressClient)
OWN_PAINT_HANDLER(HeaderMessage, PaintHeaderClient)
OWN_PAINT_HANDLER(ComboBoxMessage, PaintComboBoxClient)
OWN_PAINT_HANDLER(StaticShapeMessage, PaintStaticShapeClient)
OWN_PAINT_HANDLER(ScrollBarMessage, PaintScrollBarClient)
#undef OWN_PAINT_HANDLER

LRESULT TreeItemColours(NMCUSTOMDRAW& draw, const SkinObjectPaint& paint)
{
    const bool selected = (draw.uItemState & CDIS_SELECTED) ||
                          (TreeView_GetItemState(draw.hdr.hwndFrom,
                                                 reinterpret_cast<HTREEITEM>(draw.dwItemSpec),
                                                 TVIS_DROPHILITED) & TVIS_DROPHILITED);
    return ItemColoursOf<NMTVCUSTOMDRAW>(draw, paint, selected);
}

LRESULT ListItemColours(NMCUSTOMDRAW& draw, const SkinObjectPaint& paint)
{
    return ItemColoursOf<NMLVCUSTOMDRAW>(draw, paint, (draw.uItemState & CDIS_SELECTED) != 0);
}
