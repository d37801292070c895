#include "SkinFrame.h"

#include "SkinPainter.h"
#include "WindowDpi.h"
#include "WindowKinds.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace {

constexpr int kButtonGap = 2;

// Rectangles in window coordinates (origin at the window's top-left corner).
struct FrameLayout {
    SIZE size;
    RECT client;
    RECT caption;  // empty when the window has no caption
    RECT close;    // empty when absent
    RECT minimise;
    int dpi;
    bool rightToLeft;  // caption buttons at the left, the caption's text at the right
};

FrameLayout LayOut(HWND window, const SkinObjectPaint& paint)
{
    FrameLayout layout = {};
    layout.dpi = WindowDpi(window);
    layout.rightToLeft = ReadsRightToLeft(window);
    RECT bounds;
    GetWindowRect(window, &bounds);
    layout.size = {bounds.right - bounds.left, bounds.bottom - bounds.top};
    GetClientRect(window, &layout.client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&layout.client), 2);
    // A mirrored window's client area comes back with its sides swapped.
    if (layout.client.left > layout.client.right)
        std::swap(layout.client.left, layout.client.right);
    OffsetRect(&layout.client, -bounds.left, -bounds.top);

    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const int border = std::max<int>(0, layout.client.left);
    if ((style & WS_CAPTION) != WS_CAPTION || layout.client.top - border < 6)
        return layout;
    layout.caption = {border, border, layout.size.cx - border, layout.client.top};
    if (!(style & WS_SYSMENU))
        return layout;

    const int barHeight = layout.caption.bottom - layout.caption.top;
    const int gap = AtDpi(kButtonGap, layout.dpi);
    SIZE button = {barHeight - 2 * gap, barHeight - 2 * gap};
    if (paint.buttons.bitmap)
        button = {std::min<int>(AtDpi(paint.style.buttonWidth, layout.dpi), layout.caption.right / 3),
                  std::min(AtDpi(paint.style.buttonHeight, layout.dpi), barHeight)};
    const int top = layout.caption.top + (barHeight - button.cy) / 2;
    const int step = layout.rightToLeft ? button.cx + gap : -(button.cx + gap);
    const int closeLeft = layout.rightToLeft ? layout.caption.left + gap
                                             : layout.caption.right - gap - button.cx;
    layout.close = {closeLeft, top, closeLeft + button.cx, top + button.cy};
    if (style & WS_MINIMIZEBOX) {
        layout.minimise = layout.close;
        OffsetRect(&layout.minimise, step, 0);
    }
    return layout;
}

// Frame index within the button strip: close, then minimise, four looks each.
int ButtonLookOf(WPARAM button, const FrameState& state)
{
    if (!state.active)
        return 3;
    if (state.tracking == button && state.pressed)
        return 2;
    if (state.hot == button && !state.tracking)
        return 1;
    return 0;
}

void Line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void PaintCaptionButton(HDC dc, const RECT& area, WPARAM button, const FrameState& state,
                        const SkinObjectPaint& paint, int dpi)
{
    if (IsRectEmpty(&area))
        return;
    const int look = ButtonLookOf(button, state);
    if (paint.buttons.bitmap) {
        const int margins[4] = {};
        PaintImageSlice(dc, area, paint.buttons, (button == HTCLOSE ? 0 : 4) + look,
                        paint.style.buttonWidth, paint.style.buttonHeight, margins, dpi);
        return;
    }
    const SkinColours& c = paint.colours;
    const COLORREF text = state.active ? c.captionText : c.inactiveText;
    if (look == 1 || look == 2)
        FillColour(dc, area, BlendColour(c.caption, text, look == 1 ? 20 : 35));
    HPEN pen = CreatePen(PS_SOLID, AtDpi(2, dpi), text);
    if (!pen)
        return;
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const int inset = (area.bottom - area.top) / 4 + 1;
    const RECT g = {area.left + inset, area.top + inset, area.right - inset, area.bottom - inset};
    if (button == HTCLOSE) {
        Line(dc, g.left, g.top, g.right, g.bottom);
        Line(dc, g.right, g.top, g.left, g.bottom);
    } else {
        Line(dc, g.left, g.bottom - 1, g.right, g.bottom - 1);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void PaintCaptionBar(HDC dc, HWND window, const FrameLayout& layout, const FrameState& state,
                     const SkinObjectPaint& paint)
{
    const SkinColours& c = paint.colours;
    if (paint.image.bitmap) {
        const int frame = !state.active && paint.style.imageStates == 2 ? 1 : 0;
        PaintImageSlice(dc, layout.caption, paint.image, frame, paint.style.frameWidth,
                        paint.style.frameHeight, paint.style.margins, layout.dpi,
                        layout.rightToLeft);
    } else if (state.active) {
        FillGradient(dc, layout.caption, c.caption, c.captionTo);
    } else {
        FillColour(dc, layout.caption, c.inactive);
    }
    PaintCaptionButton(dc, layout.close, HTCLOSE, state, paint, layout.dpi);
    PaintCaptionButton(dc, layout.minimise, HTMINBUTTON, state, paint, layout.dpi);

    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    RECT area = layout.caption;
    const RECT& last = IsRectEmpty(&layout.minimise) ? layout.close : layout.minimise;
    if (layout.rightToLeft) {
        area.right -= AtDpi(6, layout.dpi);
        if (!IsRectEmpty(&last))
            area.left = last.right + AtDpi(4, layout.dpi);
    } else {
        area.left += AtDpi(6, layout.dpi);
        if (!IsRectEmpty(&last))
            area.right = last.left - AtDpi(4, layout.dpi);
    }
    HFONT font = paint.font ? paint.font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, state.active ? c.captionText : c.inactiveText);
    DrawTextW(dc, text, -1, &area,
              (layout.rightToLeft ? DT_RIGHT | DT_RTLREADING : DT_LEFT) | DT_VCENTER |
                  DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

// The caption button at a point in window coordinates, or 0.
WPARAM ButtonAt(const FrameLayout& layout, POINT p)
{
    if (PtInRect(&layout.close, p))
        return HTCLOSE;
    if (PtInRect(&layout.minimise, p))
        return HTMINBUTTON;
    return 0;
}

POINT WindowPoint(HWND window, POINT screen)
{
    RECT bounds;
    GetWindowRect(window, &bounds);
    return {screen.x - bounds.left, screen.y - bounds.top};
}

POINT ScreenPointFromClient(HWND window, LPARAM lParam)
{
    POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &p);
    return p;
}

void Repaint(HWND window, const FrameState& state, const SkinObjectPaint& paint)
{
    if (IsWindowVisible(window))
        PaintFrame(window, state, paint);
}

// The system repaints the caption of a window with a caption whenever its
// text or icon changes. With the caption style off for that moment it has
// nothing to repaint, and the skin's caption is drawn instead.
LRESULT WithoutSystemCaption(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const bool strip = (style & WS_CAPTION) == WS_CAPTION;
    if (strip)
        SetWindowLongW(window, GWL_STYLE, style & ~WS_DLGFRAME);
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (strip && IsWindow(window))
        SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | WS_DLGFRAME);
    return result;
}

// The caption buttons that the window has, drawn as plain glyphs in the
// caption's text colour where the system keeps them, so that they stay
// visible (and the system still answers clicks on them). Returns the left
// edge of the leftmost button.
int PaintClassicCaptionButtons(HDC dc, const RECT& bar, LONG style, COLORREF colour, int dpi)
{
    if (!(style & WS_SYSMENU))
        return bar.right;
    const int size = std::max(6, std::min<int>(SystemMetricAt(SM_CXSIZE, dpi) - 2,
                                               bar.bottom - bar.top - 4));
    RECT button = {bar.right - 2 - size, bar.top + (bar.bottom - bar.top - size) / 2,
                   bar.right - 2, 0};
    button.bottom = button.top + size;
    HPEN pen = CreatePen(PS_SOLID, AtDpi(2, dpi), colour);
    if (!pen)
        return bar.right;
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const int inset = size / 4;
    // Close: a cross.
    Line(dc, button.left + inset, button.top + inset, button.right - inset, button.bottom - inset);
    Line(dc, button.right - inset, button.top + inset, button.left + inset, button.bottom - inset);
    int left = button.left;
    if (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
        OffsetRect(&button, -(size + 2), 0);
        if (style & WS_MAXIMIZEBOX) {
            HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, button.left + inset, button.top + inset, button.right - inset,
                      button.bottom - inset);
            SelectObject(dc, oldBrush);
        }
        OffsetRect(&button, -size, 0);
        if (style & WS_MINIMIZEBOX)
            Line(dc, button.left + inset, button.bottom - inset, button.right - inset,
                 button.bottom - inset);
        left = button.left;
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    return left;
}

} // namespace

void PaintFrame(HWND window, const FrameState& state, const SkinObjectPaint& paint)
{
    const FrameLayout layout = LayOut(window, paint);
    if (layout.size.cx <= 0 || layout.size.cy <= 0)
        return;
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    // Drawn off-screen and put in place at once, around the client area.
    const OffscreenDc offscreen(dc, layout.size.cx, layout.size.cy);
    if (HDC memory = offscreen.get()) {
        const RECT all = {0, 0, layout.size.cx, layout.size.cy};
        FillColour(memory, all, paint.colours.frame);
        if (!IsRectEmpty(&layout.caption))
            PaintCaptionBar(memory, window, layout, state, paint);
        const int saved = SaveDC(dc);
        // A mirrored window's DC would turn the frame over, text and all; the
        // layout has placed everything where it belongs already.
        SetLayout(dc, 0);
        ExcludeClipRect(dc, layout.client.left, layout.client.top, layout.client.right,
                        layout.client.bottom);
        BitBlt(dc, 0, 0, layout.size.cx, layout.size.cy, memory, 0, 0, SRCCOPY);
        RestoreDC(dc, saved);
    }
    ReleaseDC(window, dc);
}

bool FrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, FrameState& state,
                  const SkinObjectPaint& paint, LRESULT& result)
{
    switch (message) {
    case WM_NCPAINT:
        PaintFrame(window, state, paint);
        result = 0;
        return true;
    case WM_NCACTIVATE:
        // Not handed on: the system would draw its own caption in the new state.
        state.active = wParam != 0;
        if (lParam != -1)
            Repaint(window, state, paint);
        result = TRUE;
        return true;
    case WM_SETTEXT:
    case WM_SETICON:
        result = WithoutSystemCaption(window, message, wParam, lParam);
        Repaint(window, state, paint);
        return true;
    case 0x00AE:  // WM_NCUAHDRAWCAPTION: the system's themed caption
    case 0x00AF:  // WM_NCUAHDRAWFRAME
        result = 0;
        return true;
    case WM_NCHITTEST: {
        result = DefSubclassProc(window, message, wParam, lParam);
        const FrameLayout layout = LayOut(window, paint);
        const POINT p = WindowPoint(window, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (const WPARAM button = ButtonAt(layout, p))
            result = button;
        else if (result == HTCLOSE || result == HTMINBUTTON || result == HTMAXBUTTON ||
                 result == HTSYSMENU || result == HTHELP)
            result = HTCAPTION;  // the system's own buttons are not drawn, so not there
        return true;
    }
    case WM_NCMOUSEMOVE: {
        const WPARAM hot = wParam == HTCLOSE || wParam == HTMINBUTTON ? wParam : 0;
        if (!state.leaveTracked) {
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE | TME_NONCLIENT, window, 0};
            state.leaveTracked = TrackMouseEvent(&track) != 0;
        }
        if (hot != state.hot) {
            state.hot = hot;
            Repaint(window, state, paint);
        }
        return false;
    }
    case WM_NCMOUSELEAVE:
        state.leaveTracked = false;
        if (state.hot) {
            state.hot = 0;
            Repaint(window, state, paint);
        }
        return false;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (wParam != HTCLOSE && wParam != HTMINBUTTON)
            return false;
        // Tracked here rather than by the system, which would draw its own
        // pressed button.
        state.tracking = wParam;
        state.pressed = true;
        SetCapture(window);
        Repaint(window, state, paint);
        result = 0;
        return true;
    case WM_NCLBUTTONUP:
        return wParam == HTCLOSE || wParam == HTMINBUTTON;
    case WM_MOUSEMOVE:
        if (!state.tracking)
            return false;
        {
            const POINT p = WindowPoint(window, ScreenPointFromClient(window, lParam));
            const bool pressed = ButtonAt(LayOut(window, paint), p) == state.tracking;
            if (pressed != state.pressed) {
                state.pressed = pressed;
                Repaint(window, state, paint);
            }
        }
        result = 0;
        return true;
    case WM_LBUTTONUP:
        if (!state.tracking)
            return false;
        {
            const WPARAM button = state.tracking;
            const POINT screen = ScreenPointFromClient(window, lParam);
            const bool inside = ButtonAt(LayOut(window, paint), WindowPoint(window, screen)) == button;
            state.tracking = 0;
            state.pressed = false;
            ReleaseCapture();
            Repaint(window, state, paint);
            if (inside)
                PostMessageW(window, WM_SYSCOMMAND, button == HTCLOSE ? SC_CLOSE : SC_MINIMIZE,
                             MAKELPARAM(screen.x, screen.y));
        }
        result = 0;
        return true;
    case WM_CAPTURECHANGED:
        if (state.tracking) {
            state.tracking = 0;
            state.pressed = false;
            Repaint(window, state, paint);
        }
        return false;
    default:
        return false;
    }
}

void PaintClassicCaption(HWND window, const SkinObjectPaint& paint)
{
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    RECT windowRect, client;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int dpi = WindowDpi(window);
    RECT caption = {client.left - windowRect.left, SystemMetricAt(SM_CYFRAME, dpi),
                    client.right - windowRect.left, client.top - windowRect.top};
    if (caption.bottom > caption.top) {
        FillRect(dc, &caption, paint.border.get());
        caption.right = PaintClassicCaptionButtons(dc, caption,
                                                   GetWindowLongW(window, GWL_STYLE),
                                                   paint.style.face, dpi) - AtDpi(4, dpi);
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        HGDIOBJ oldFont = paint.font ? SelectObject(dc, paint.font.get()) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, paint.style.face);
        caption.left += AtDpi(6, dpi);
        DrawTextW(dc, text, -1, &caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        if (oldFont)
            SelectObject(dc, oldFont);
    }
    ReleaseDC(window, dc);
}
