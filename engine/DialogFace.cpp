#include "DialogFace.h"

#include "SkinPainter.h"
#include "WindowDpi.h"
#include "WindowKinds.h"

namespace {

// What a control is handed to fill its background with. Never one of the
// skin's own brushes, which every window of the process paints with: a
// control may delete what it is given (Wine's link control deletes every
// brush its WM_CTLCOLORSTATIC brings back). The DC's brush is a stock
// object, which nobody can delete, in the colour set on the DC it is for.
LRESULT LendBrush(HDC dc, COLORREF colour)
{
    SetDCBrushColor(dc, colour);
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}

// A tiled background cannot be a DC's brush: each dialog lends its own copy
// of the pattern, made again when a control has deleted it.
LRESULT LendTile(HWND dialogWindow, const SkinObjectPaint& dialog)
{
    WindowData* data = DataOf(dialogWindow);
    if (!data)
        return 0;
    if (!data->lentTile || GetObjectType(data->lentTile.get()) != OBJ_BRUSH) {
        data->lentTile.release();  // gone already, or never made
        data->lentTile.reset(CreatePatternBrush(
            ImageForDpi(dialog.background, WindowDpi(dialogWindow)).drawing->bitmap.get()));
    }
    return reinterpret_cast<LRESULT>(data->lentTile.get());
}

// The object whose colours a child control takes: its own when skinned,
// otherwise its generic object. An edit inside a combo box is the combo box.
int ChildObject(HWND child)
{
    if (WindowData* data = DataOf(child))
        return data->object;
    HWND parent = GetParent(child);
    if (parent && ClassifyWindow(parent, GetWindowLongW(parent, GWL_STYLE)) ==
                      static_cast<int>(SkinKind::ComboBox))
        return static_cast<int>(SkinKind::ComboBox);
    return ClassifyWindow(child, GetWindowLongW(child, GWL_STYLE));
}

LRESULT ControlColour(const Skin& skin, HWND dialogWindow, const SkinObjectPaint& dialog,
                      UINT message, HDC dc, HWND child, bool& handled)
{
    const int object = ChildObject(child);
    const SkinObjectPaint* own = object == kNoObject ? nullptr : skin.object(object);
    const SkinKind kind = object == kNoObject ? SkinKind::Static : KindOf(object);
    const bool fieldLike = kind == SkinKind::Edit || kind == SkinKind::ListBox ||
                           kind == SkinKind::ComboBox || kind == SkinKind::ScrollBar;
    if (fieldLike || message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ||
        message == WM_CTLCOLORSCROLLBAR) {
        if (!own)
            return 0;  // the field keeps Windows' colours
        handled = true;
        SetTextColor(dc, IsWindowEnabled(child) ? own->style.text : own->style.disabled);
        SetBkColor(dc, own->style.face);
        return LendBrush(dc, own->style.face);
    }
    // Labels, check boxes and group boxes stand on the dialog's face.
    handled = true;
    const SkinObjectPaint& textFrom = own && kind != SkinKind::Picture ? *own : dialog;
    SetTextColor(dc, IsWindowEnabled(child) ? textFrom.style.text : textFrom.style.disabled);
    if (kind == SkinKind::Static && IsTransparentText(child)) {
        // Its background is painted beneath it (PaintTransparentText), or,
        // when the engine does not paint it, is the page as the dialog drew it.
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    }
    SetBkColor(dc, dialog.style.face);
    SetBkMode(dc, TRANSPARENT);
    if (dialog.full && dialog.backgroundTile) {
        // The tiled background continues under the label: the brush's pattern
        // is lined up with the dialog's client area.
        POINT at = {0, 0};
        MapWindowPoints(child, dialogWindow, &at, 1);
        const SkinImageSize& tile = *ImageForDpi(dialog.background, WindowDpi(dialogWindow)).drawing;
        const int w = tile.width, h = tile.height;
        SetBrushOrgEx(dc, ((-at.x) % w + w) % w, ((-at.y) % h + h) % h, nullptr);
        if (const LRESULT tile = LendTile(dialogWindow, dialog))
            return tile;
    }
    return LendBrush(dc, dialog.style.face);
}

// List and tree views tell their parent how they are about to draw an item;
// the answer gives a selected item the skin's selection instead of the
// system's highlight, which the views otherwise always use.
LRESULT ViewItemColours(const Skin& skin, LPARAM lParam, bool& handled)
{
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
    WindowData* data = DataOf(draw->hdr.hwndFrom);
    const SkinObjectPaint* paint = data ? skin.object(data->object) : nullptr;
    if (!paint || !paint->full || !data->control->itemColours)
        return 0;
    if (draw->dwDrawStage == CDDS_PREPAINT) {
        handled = true;
        return CDRF_NOTIFYITEMDRAW;
    }
    if (draw->dwDrawStage != CDDS_ITEMPREPAINT)
        return 0;
    handled = true;
    return data->control->itemColours(*draw, *paint);
}

void EraseDialog(HWND window, HDC dc, const Skin& skin, const SkinObjectPaint& paint)
{
    RECT area;
    GetClientRect(window, &area);
    const int saved = SaveDC(dc);
    // The skin's pictures cover their place whole: the face is not put
    // there first, which would show between the two paints.
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const WindowData* picture = DataOf(child);
        if (!picture || KindOf(picture->object) != SkinKind::Picture || !IsWindowVisible(child))
            continue;
        const SkinObjectPaint* own = skin.object(picture->object);
        if (!own || !own->image.bitmap)
            continue;
        const RECT place = PlaceInParent(child);
        ExcludeClipRect(dc, place.left, place.top, place.right, place.bottom);
    }
    PaintDialogBackground(dc, area, {0, 0}, {area.right, area.bottom}, paint, WindowDpi(window));
    RestoreDC(dc, saved);
}

} // namespace

RECT PlaceInParent(HWND window)
{
    RECT place = {};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

namespace {

// The skinned dialog a control stands in, nearest among its ancestors, with
// its object; or its top-level window with the skin's generic dialog object.
HWND DialogOf(HWND control, const Skin& skin, const SkinObjectPaint*& paint)
{
    for (HWND up = GetParent(control); up; up = GetParent(up)) {
        WindowData* data = DataOf(up);
        if (data && KindOf(data->object) == SkinKind::Dialog) {
            paint = skin.object(data->object);
            return up;
        }
        if (!(GetWindowLongW(up, GWL_STYLE) & WS_CHILD))
            break;
    }
    paint = skin.object(static_cast<int>(SkinKind::Dialog));
    return GetAncestor(control, GA_ROOT);
}

} // namespace

FaceSource StandingFace(HWND control, const Skin& skin)
{
    FaceSource face;
    HWND dialog = DialogOf(control, skin, face.dialog);
    if (!face.dialog || !dialog)
        return FaceSource();
    POINT origin = {0, 0};
    MapWindowPoints(control, dialog, &origin, 1);
    face.origin = origin;
    RECT client;
    GetClientRect(dialog, &client);
    face.client = {client.right, client.bottom};
    face.dpi = WindowDpi(dialog);
    return face;
}

LRESULT ColoursForChild(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                        const Skin& skin, bool& handled)
{
    if (message != WM_CTLCOLORSTATIC && message != WM_CTLCOLORBTN &&
        message != WM_CTLCOLOREDIT && message != WM_CTLCOLORLISTBOX &&
        message != WM_CTLCOLORSCROLLBAR)
        return 0;
    const SkinObjectPaint* paint = nullptr;
    HWND dialog = DialogOf(window, skin, paint);
    if (!paint || !dialog)
        return 0;
    return ControlColour(skin, dialog, *paint, message, reinterpret_cast<HDC>(wParam),
                         reinterpret_cast<HWND>(lParam), handled);
}

LRESULT DialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                      const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    // Skins that draw the whole window draw every top-level frame; older ones
    // only the caption of a window named with the frame flag.
    if (paint.full && !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) {
        const SkinObjectPaint* frame = skin.object(data.frameObject);
        LRESULT result = 0;
        if (FrameMessage(window, message, wParam, lParam, data.frame, frame ? *frame : paint,
                         result)) {
            handled = true;
            return result;
        }
    }
    switch (message) {
    case WM_ERASEBKGND:
        EraseDialog(window, reinterpret_cast<HDC>(wParam), skin, paint);
        handled = true;
        return 1;
    case WM_NOTIFY:
        if (lParam && reinterpret_cast<const NMHDR*>(lParam)->code == NM_CUSTOMDRAW)
            return ViewItemColours(skin, lParam, handled);
        return 0;
    case WM_CTLCOLORDLG:
        handled = true;
        SetBkColor(reinterpret_cast<HDC>(wParam), paint.style.face);
        return LendBrush(reinterpret_cast<HDC>(wParam), paint.style.face);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        return ControlColour(skin, window, paint, message, reinterpret_cast<HDC>(wParam),
                             reinterpret_cast<HWND>(lParam), handled);
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_SETTEXT:
        if (const SkinObjectPaint* frame = paint.full ? nullptr : skin.object(data.frameObject)) {
            handled = true;
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            PaintClassicCaption(window, *frame);
            return result;
        }
        return 0;
    default:
        return 0;
    }
}
