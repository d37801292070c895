#include "SkinControls.h"

#include "SkinPainter.h"
#include "WindowDpi.h"
#include "WindowKinds.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr int kGlyph = 13;  // check box and radio glyph without an image

// Pen and brush of one colour each for a shape, put back on scope exit.
class ShapeColours {
public:
    ShapeColours(HDC dc, COLORREF pen, COLORREF brush)
        : dc_(dc), pen_(CreatePen(PS_SOLID, 1, pen)),
          oldPen_(SelectObject(dc, pen_ ? static_cast<HGDIOBJ>(pen_) : GetStockObject(NULL_PEN))),
          oldBrush_(SelectObject(dc, GetStockObject(DC_BRUSH))), oldColour_(SetDCBrushColor(dc, brush))
    {
    }
    ~ShapeColours()
    {
        SetDCBrushColor(dc_, oldColour_);
        SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldPen_);
        if (pen_)
            DeleteObject(pen_);
    }
    ShapeColours(const ShapeColours&) = delete;
    ShapeColours& operator=(const ShapeColours&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ oldPen_;
    HGDIOBJ oldBrush_;
    COLORREF oldColour_;
};

void Triangle(HDC dc, const RECT& box, int direction, COLORREF colour)
{
    // direction: 0 up, 1 down, 2 left, 3 right
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    const int s = std::max(2, std::min<int>(box.right - box.left, box.bottom - box.top) / 4);
    POINT p[3];
    switch (direction) {
    case 0: p[0] = {cx - s, cy + s / 2}; p[1] = {cx + s, cy + s / 2}; p[2] = {cx, cy - s / 2 - 1}; break;
    case 1: p[0] = {cx - s, cy - s / 2}; p[1] = {cx + s, cy - s / 2}; p[2] = {cx, cy + s / 2 + 1}; break;
    case 2: p[0] = {cx + s / 2, cy - s}; p[1] = {cx + s / 2, cy + s}; p[2] = {cx - s / 2 - 1, cy}; break;
    default: p[0] = {cx - s / 2, cy - s}; p[1] = {cx - s / 2, cy + s}; p[2] = {cx + s / 2 + 1, cy}; break;
    }
    ShapeColours shape(dc, colour, colour);
    Polygon(dc, p, 3);
}

void PaintGlyph(HDC dc, const RECT& box, const SkinObjectPaint& paint, const CheckPaintState& state)
{
    const SkinStyle& s = paint.style;
    if (paint.image.bitmap) {
        const int column = std::min(state.check, s.imageStates / 4 - 1);
        PaintImageSlice(dc, box, paint.image, column * 4 + static_cast<int>(state.look),
                        s.frameWidth, s.frameHeight, s.margins, state.dpi);
        return;
    }
    const bool disabled = state.look == CheckLook::Disabled;
    COLORREF fill = state.look == CheckLook::Pressed ? s.pressed : s.face;
    COLORREF edge = state.look == CheckLook::Hot || state.look == CheckLook::Pressed
                        ? paint.colours.focus : paint.colours.frame;
    COLORREF mark = s.text;
    if (disabled) {
        fill = BlendColour(s.face, s.disabled, 20);
        edge = mark = s.disabled;
    }
    if (state.radio) {
        {
            ShapeColours shape(dc, edge, fill);
            Ellipse(dc, box.left, box.top, box.right, box.bottom);
        }
        if (state.check) {
            const int inset = (box.right - box.left) / 4 + 1;
            ShapeColours shape(dc, mark, mark);
            Ellipse(dc, box.left + inset, box.top + inset, box.right - inset, box.bottom - inset);
        }
        return;
    }
    FillColour(dc, box, fill);
    FrameColour(dc, box, edge);
    const int w = box.right - box.left;
    if (state.check == BST_INDETERMINATE) {
        RECT inner = box;
        InflateRect(&inner, -w / 4 - 1, -w / 4 - 1);
        FillColour(dc, inner, mark);
    } else if (state.check == BST_CHECKED) {
        HPEN pen = CreatePen(PS_SOLID, std::max(2, w / 6), mark);
        if (!pen)
            return;
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, box.left + w * 3 / 13, box.top + w * 7 / 13, nullptr);
        LineTo(dc, box.left + w * 5 / 13, box.top + w * 9 / 13);
        LineTo(dc, box.left + w * 10 / 13, box.top + w * 3 / 13);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

} // namespace

void PaintStandingFace(HDC dc, const RECT& area, const FaceSource& face,
                       const SkinObjectPaint& own)
{
    if (face.dialog)
        PaintDialogBackground(dc, area, face.origin, face.client, *face.dialog, face.dpi);
    else
        FillRect(dc, &area, own.face.get());
}

void PaintCheckButton(HDC dc, const RECT& area, const SkinObjectPaint& paint,
                      const CheckPaintState& state, const FaceSource& face)
{
    // Drawn off-screen: the face, the glyph and the text come up together.
    const int width = area.right - area.left, height = area.bottom - area.top;
    const OffscreenDc offscreen(dc, width, height);
    HDC memory = offscreen.get();
    if (!memory)
        return;
    const RECT all = {0, 0, width, height};
    PaintStandingFace(memory, all, face, paint);

    // The glyph at the window's DPI, as the system would size its own.
    const int plain = std::min(AtDpi(kGlyph, state.dpi), height);
    SIZE glyph = paint.image.bitmap ? SIZE{AtDpi(paint.style.frameWidth, state.dpi),
                                           AtDpi(paint.style.frameHeight, state.dpi)}
                                    : SIZE{plain, plain};
    // A page laid out for a smaller DPI than its window's now (moved to
    // another monitor) keeps its controls' sizes: the glyph fits the control.
    if (glyph.cy > height && glyph.cy > 0) {
        glyph.cx = MulDiv(glyph.cx, height, glyph.cy);
        glyph.cy = height;
    }
    // The glyph stands right of its label where the button asks for it and
    // where the control reads right to left.
    const bool textLeft = (state.style & BS_LEFTTEXT) != 0 || state.rightToLeft;
    RECT box;
    box.left = textLeft ? width - glyph.cx : 0;
    box.top = (height - glyph.cy) / 2;
    box.right = box.left + glyph.cx;
    box.bottom = box.top + glyph.cy;
    PaintGlyph(memory, box, paint, state);

    RECT text = all;
    if (textLeft)
        text.right = box.left - AtDpi(4, state.dpi);
    else
        text.left = box.right + AtDpi(4, state.dpi);
    HFONT font = paint.font ? paint.font.get() : state.windowFont;
    HGDIOBJ oldFont = font ? SelectObject(memory, font) : nullptr;
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, state.look == CheckLook::Disabled ? paint.style.disabled : paint.style.text);
    UINT format = (state.style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
    if (state.rightToLeft)
        format |= DT_RIGHT | DT_RTLREADING;
    if (state.hideAccelerators)
        format |= DT_HIDEPREFIX;
    RECT measured = text;
    DrawTextW(memory, state.text, -1, &measured, format | DT_CALCRECT);
    if (state.rightToLeft)  // the block ends where the room for text ends
        OffsetRect(&measured, text.right - measured.right, 0);
    // The text block, centred in height as the label draws it.
    const LONG textHeight = measured.bottom - measured.top;
    measured.top = std::max<LONG>(0, (height - textHeight) / 2);
    measured.bottom = std::min<LONG>(height, measured.top + textHeight);
    RECT drawn = measured;
    if (!(state.style & BS_MULTILINE))
        drawn.top = text.top, drawn.bottom = text.bottom;
    DrawTextW(memory, state.text, -1, &drawn, format);
    if (oldFont)
        SelectObject(memory, oldFont);
    if (state.focused && *state.text) {
        RECT cue = measured;
        InflateRect(&cue, AtDpi(2, state.dpi), AtDpi(1, state.dpi));
        IntersectRect(&cue, &cue, &all);
        PaintFocusCue(memory, cue, paint.colours.focus, state.dpi);
    }
    // Put in place as drawn, also in a mirrored control's DC.
    const DWORD layout = GetLayout(dc);
    if (layout & LAYOUT_RTL)
        SetLayout(dc, layout | LAYOUT_BITMAPORIENTATIONPRESERVED);
    BitBlt(dc, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
    if (layout & LAYOUT_RTL)
        SetLayout(dc, layout);
}

void PaintGroupBox(HDC dc, const RECT& area, const SkinObjectPaint& paint, const wchar_t* text,
                   HFONT windowFont, bool enabled, const FaceSource& face, bool rightToLeft)
{
    HFONT font = paint.font ? paint.font.get() : windowFont;
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    RECT frame = area;
    frame.top += metrics.tmHeight / 2;
    FrameColour(dc, frame, paint.colours.frame);
    if (text && *text) {
        RECT title = {area.left + 8, area.top, area.right - 8, area.top + metrics.tmHeight};
        DrawTextW(dc, text, -1, &title, DT_SINGLELINE | DT_CALCRECT);
        if (rightToLeft)  // the title at the box's right end
            OffsetRect(&title, area.right - 8 - title.right, 0);
        InflateRect(&title, 2, 0);
        // The title breaks the frame line, on the face the box stands on.
        PaintStandingFace(dc, title, face, paint);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, enabled ? paint.style.text : paint.style.disabled);
        InflateRect(&title, -2, 0);
        DrawTextW(dc, text, -1, &title, DT_SINGLELINE | (rightToLeft ? DT_RTLREADING : 0));
    }
    if (oldFont)
        SelectObject(dc, oldFont);
}

void PaintProgress(HWND window, HDC dc, const SkinObjectPaint& paint)
{
    RECT area;
    GetClientRect(window, &area);
    PBRANGE range = {};
    SendMessageW(window, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    const int position = static_cast<int>(SendMessageW(window, PBM_GETPOS, 0, 0));
    const bool vertical = (GetWindowLongW(window, GWL_STYLE) & PBS_VERTICAL) != 0;
    const int span = range.iHigh - range.iLow;
    const int length = vertical ? area.bottom - area.top : area.right - area.left;
    const int filled = span > 0 ? MulDiv(std::max(0, std::min(position - range.iLow, span)), length, span) : 0;
    // Filled from the right on a page that reads right to left.
    const bool mirrored = !vertical && ReadsRightToLeft(window);
    RECT bar = area;
    if (vertical)
        bar.top = bar.bottom - filled;
    else if (mirrored)
        bar.left = bar.right - filled;
    else
        bar.right = bar.left + filled;
    const SkinStyle& s = paint.style;
    if (paint.image.bitmap) {
        const int dpi = WindowDpi(window);
        PaintImageSlice(dc, area, paint.image, 0, s.frameWidth, s.frameHeight, s.margins, dpi,
                        mirrored);
        if (!IsRectEmpty(&bar))
            PaintImageSlice(dc, bar, paint.image, 1, s.frameWidth, s.frameHeight, s.margins, dpi,
                            mirrored);
        return;
    }
    FillColour(dc, area, s.face);
    FillColour(dc, bar, s.hot);
}

bool IsStaticShape(LONG style)
{
    switch (style & SS_TYPEMASK) {
    case SS_BLACKRECT: case SS_GRAYRECT: case SS_WHITERECT:
    case SS_BLACKFRAME: case SS_GRAYFRAME: case SS_WHITEFRAME:
    case SS_ETCHEDHORZ: case SS_ETCHEDVERT: case SS_ETCHEDFRAME:
        return true;
    default:
        return false;
    }
}

void PaintStaticShape(HWND window, HDC dc, const SkinObjectPaint& paint, const FaceSource& face)
{
    RECT area;
    GetClientRect(window, &area);
    const COLORREF line = paint.colours.frame;
    switch (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) {
    case SS_BLACKRECT: case SS_GRAYRECT: case SS_WHITERECT:
        FillColour(dc, area, line);
        return;
    case SS_ETCHEDHORZ:
        PaintStandingFace(dc, area, face, paint);
        area.bottom = area.top + 1;
        FillColour(dc, area, line);
        return;
    case SS_ETCHEDVERT:
        PaintStandingFace(dc, area, face, paint);
        area.right = area.left + 1;
        FillColour(dc, area, line);
        return;
    default:
        FrameColour(dc, area, line);
        return;
    }
}

ScrollColours ScrollColoursFor(const SkinObjectPaint* scrollBar, const SkinObjectPaint& field)
{
    if (scrollBar && scrollBar->full)
        return {scrollBar->style.face, scrollBar->style.hot, scrollBar->style.border,
                scrollBar->style.text, scrollBar->style.disabled};
    const SkinStyle& s = field.style;
    return {BlendColour(s.face, s.border, 15), BlendColour(s.face, s.border, 60),
            BlendColour(s.face, s.border, 30), s.text, s.disabled};
}

void PaintScrollBar(HDC dc, const RECT& area, bool vertical, const SCROLLINFO& info, bool enabled,
                    const ScrollColours& colours, int dpi)
{
    if (IsRectEmpty(&area))
        return;
    FillColour(dc, area, colours.track);
    const int length = vertical ? area.bottom - area.top : area.right - area.left;
    const int thickness = vertical ? area.right - area.left : area.bottom - area.top;
    const int arrow = std::min(thickness, length / 2);
    RECT first = area, second = area;
    if (vertical) {
        first.bottom = first.top + arrow;
        second.top = second.bottom - arrow;
    } else {
        first.right = first.left + arrow;
        second.left = second.right - arrow;
    }
    const int range = info.nMax - info.nMin + 1;
    const bool active = enabled && range > 0 && (info.nPage == 0 || static_cast<int>(info.nPage) < range);
    const COLORREF glyph = active ? colours.arrow : colours.disabled;
    const int edge = std::max(1, AtDpi(1, dpi));
    for (const RECT* button : {&first, &second}) {
        RECT inner = *button;
        InflateRect(&inner, -edge, -edge);
        FillColour(dc, inner, colours.button);
    }
    Triangle(dc, first, vertical ? 0 : 2, glyph);
    Triangle(dc, second, vertical ? 1 : 3, glyph);

    const int track = length - 2 * arrow;
    if (!active || track < AtDpi(6, dpi))
        return;
    const int page = std::max<int>(1, info.nPage);
    int thumb = info.nPage ? MulDiv(track, page, range) : thickness;
    thumb = std::max(std::min(AtDpi(8, dpi), track), std::min(thumb, track));
    const int travel = range - (info.nPage ? page : 1);
    const int position = travel > 0 ? MulDiv(track - thumb, std::max(0, std::min(info.nPos - info.nMin, travel)), travel) : 0;
    RECT knob = area;
    if (vertical) {
        knob.top = area.top + arrow + position;
        knob.bottom = knob.top + thumb;
        InflateRect(&knob, -AtDpi(2, dpi), 0);
    } else {
        knob.left = area.left + arrow + position;
        knob.right = knob.left + thumb;
        InflateRect(&knob, 0, -AtDpi(2, dpi));
    }
    FillColour(dc, knob, colours.thumb);
}

namespace {

// A window scroll bar's place in window coordinates, as the system reports
// it; where it cannot say, beside the client area at the window's DPI.
RECT ScrollBarPlace(HWND window, LONG bar, const RECT& screenBounds, const RECT& client)
{
    SCROLLBARINFO info = {};
    info.cbSize = sizeof info;
    if (GetScrollBarInfo(window, bar, &info) && !IsRectEmpty(&info.rcScrollBar)) {
        RECT place = info.rcScrollBar;
        OffsetRect(&place, -screenBounds.left, -screenBounds.top);
        return place;
    }
    const int dpi = WindowDpi(window);
    if (bar == OBJID_VSCROLL)
        return {client.right, client.top, client.right + SystemMetricAt(SM_CXVSCROLL, dpi), client.bottom};
    return {client.left, client.bottom, client.right, client.bottom + SystemMetricAt(SM_CYHSCROLL, dpi)};
}

} // namespace

void PaintFieldFrame(HWND window, const SkinObjectPaint& paint, const ScrollColours& scroll)
{
    RECT bounds, client;
    GetWindowRect(window, &bounds);
    const RECT screenBounds = bounds;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -bounds.left, -bounds.top);
    OffsetRect(&bounds, -bounds.left, -bounds.top);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    // The bars where the system made room for them: at the window's DPI,
    // and at the left of a field that asks for it (WS_EX_LEFTSCROLLBAR).
    RECT vertical = {}, horizontal = {};
    if (style & WS_VSCROLL)
        vertical = ScrollBarPlace(window, OBJID_VSCROLL, screenBounds, client);
    if (style & WS_HSCROLL)
        horizontal = ScrollBarPlace(window, OBJID_HSCROLL, screenBounds, client);
    if (EqualRect(&bounds, &client))
        return;
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    FillColour(dc, bounds, paint.style.face);
    FrameColour(dc, bounds, paint.colours.frame);
    const bool enabled = IsWindowEnabled(window) != FALSE;
    for (int bar : {SB_VERT, SB_HORZ}) {
        const RECT& area = bar == SB_VERT ? vertical : horizontal;
        if (IsRectEmpty(&area))
            continue;
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        if (!GetScrollInfo(window, bar, &info))
            info.nMin = info.nMax = info.nPos = info.nPage = 0;
        PaintScrollBar(dc, area, bar == SB_VERT, info, enabled, scroll, WindowDpi(window));
    }
    if (!IsRectEmpty(&vertical) && !IsRectEmpty(&horizontal)) {
        const RECT corner = {vertical.left, horizontal.top, vertical.right, horizontal.bottom};
        FillColour(dc, corner, scroll.track);
    }
    RestoreDC(dc, saved);
    ReleaseDC(window, dc);
}

void PaintComboBox(HWND window, HDC dc, const SkinObjectPaint& paint, const ScrollColours& scroll)
{
    RECT area;
    GetClientRect(window, &area);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const int type = style & 3;
    const int saved = SaveDC(dc);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    const bool hasInfo = GetComboBoxInfo(window, &info) != FALSE;
    if (hasInfo && info.hwndItem && info.hwndItem != window) {
        // The edit part paints itself.
        RECT edit;
        GetWindowRect(info.hwndItem, &edit);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&edit), 2);
        ExcludeClipRect(dc, edit.left, edit.top, edit.right, edit.bottom);
    }
    FillColour(dc, area, paint.style.face);
    FrameColour(dc, area, paint.colours.frame);
    const bool enabled = IsWindowEnabled(window) != FALSE;
    if (type != CBS_SIMPLE) {
        RECT button = area;
        button.left = button.right - SystemMetricAt(SM_CXVSCROLL, WindowDpi(window));
        InflateRect(&button, -1, -1);
        FillColour(dc, button, scroll.button);
        Triangle(dc, button, 1, enabled ? scroll.arrow : scroll.disabled);
        area.right = button.left;
    }
    if (type == CBS_DROPDOWNLIST) {
        RECT text = area;
        InflateRect(&text, -2, -2);
        const bool focused = GetFocus() == window && !(hasInfo && info.hwndList && IsWindowVisible(info.hwndList));
        if (focused)
            FillColour(dc, text, paint.colours.selection);
        const LRESULT selected = SendMessageW(window, CB_GETCURSEL, 0, 0);
        wchar_t item[256] = {};
        if (selected != CB_ERR && SendMessageW(window, CB_GETLBTEXTLEN, selected, 0) < 256)
            SendMessageW(window, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(item));
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, !enabled ? paint.style.disabled
                                  : focused ? paint.colours.selectionText : paint.style.text);
        RECT inner = text;
        inner.left += 2;
        DrawTextW(dc, item, -1, &inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (oldFont)
            SelectObject(dc, oldFont);
        if (focused)
            PaintFocusCue(dc, text, paint.colours.selectionText, WindowDpi(window));
    }
    RestoreDC(dc, saved);
}

bool IsPlainListBox(LONG style)
{
    return !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE));
}

void PaintListBox(HWND window, HDC dc, const SkinObjectPaint& paint)
{
    RECT area;
    GetClientRect(window, &area);
    FillColour(dc, area, paint.style.face);
    const bool enabled = IsWindowEnabled(window) != FALSE;
    const int dpi = WindowDpi(window);
    const bool cue = GetFocus() == window &&
                     !(SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    const LRESULT count = SendMessageW(window, LB_GETCOUNT, 0, 0);
    const LRESULT caret = SendMessageW(window, LB_GETCARETINDEX, 0, 0);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    for (LRESULT i = SendMessageW(window, LB_GETTOPINDEX, 0, 0); i >= 0 && i < count; ++i) {
        RECT item;
        if (SendMessageW(window, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item)) == LB_ERR ||
            item.top >= area.bottom)
            break;
        const bool selected = SendMessageW(window, LB_GETSEL, i, 0) > 0;
        if (selected)
            FillColour(dc, item, paint.colours.selection);
        SetTextColor(dc, !enabled ? paint.style.disabled
                                  : selected ? paint.colours.selectionText : paint.style.text);
        wchar_t text[256] = {};
        if (SendMessageW(window, LB_GETTEXTLEN, i, 0) < 256)
            SendMessageW(window, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        RECT inner = item;
        inner.left += 2;
        DrawTextW(dc, text, -1, &inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EXPANDTABS);
        if (cue && i == caret)
            PaintFocusCue(dc, item, selected ? paint.colours.selectionText : paint.colours.focus,
                          dpi);
    }
    if (oldFont)
        SelectObject(dc, oldFont);
}

void PaintHeader(HWND window, HDC dc, const SkinObjectPaint& paint)
{
    RECT area;
    GetClientRect(window, &area);
    const SkinStyle& s = paint.style;
    FillColour(dc, area, BlendColour(s.face, s.border, 25));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(window) ? s.text : s.disabled);
    const LRESULT count = SendMessageW(window, HDM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        RECT item;
        if (!SendMessageW(window, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item)))
            continue;
        wchar_t text[256] = {};
        HDITEMW info = {};
        info.mask = HDI_TEXT | HDI_FORMAT;
        info.pszText = text;
        info.cchTextMax = 256;
        SendMessageW(window, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&info));
        UINT align = DT_LEFT;
        if ((info.fmt & HDF_JUSTIFYMASK) == HDF_CENTER)
            align = DT_CENTER;
        else if ((info.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT)
            align = DT_RIGHT;
        RECT label = item;
        InflateRect(&label, -6, 0);
        DrawTextW(dc, text, -1, &label, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        const RECT divider = {item.right - 1, item.top + 2, item.right, item.bottom - 2};
        FillColour(dc, divider, paint.colours.frame);
    }
    const RECT bottom = {area.left, area.bottom - 1, area.right, area.bottom};
    FillColour(dc, bottom, paint.colours.frame);
    if (oldFont)
        SelectObject(dc, oldFont);
}
