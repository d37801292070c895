#include "SkinWindow.h"

#include "SkinControls.h"
#include "CurrentSkin.h"
#include "SkinFrame.h"
#include "SkinObjects.h"
#include "WindowKinds.h"
#include "SkinPainter.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <atomic>
#include <new>
#include <set>
#include <vector>

LRESULT CALLBACK SkinSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR, DWORD_PTR reference);

namespace {

// Every skinned window, for the engine's release. On the heap while it holds
// any: the library keeps no object with a destructor that could outlive its
// code.
SRWLOCK windowsLock = SRWLOCK_INIT;
std::set<HWND>* skinnedWindows = nullptr;

void Track(HWND window, bool skinned)
{
    AcquireSRWLockExclusive(&windowsLock);
    if (skinned) {
        if (!skinnedWindows)
            skinnedWindows = new (std::nothrow) std::set<HWND>;
        if (skinnedWindows)
            skinnedWindows->insert(window);
    } else if (skinnedWindows) {
        skinnedWindows->erase(window);
        if (skinnedWindows->empty()) {
            delete skinnedWindows;
            skinnedWindows = nullptr;
        }
    }
    ReleaseSRWLockExclusive(&windowsLock);
}

constexpr UINT_PTR kSubclassId = 0x56534B4E;
constexpr UINT kDetachTimeoutMs = 5000;

struct WindowData {
    int object = kNoObject;
    // The object whose caption bar the frame shows: named with flag 1, and
    // kept when a later call names the object for the window's face.
    int frameObject = kNoObject;
    bool hot = false;
    bool fontSet = false;
    HFONT oldFont = nullptr;
    bool coloursSet = false;
    COLORREF oldBack = CLR_DEFAULT;
    COLORREF oldText = CLR_DEFAULT;
    COLORREF oldTextBack = CLR_DEFAULT;
    FrameState frame;
    // The scroll bars as last drawn, to notice when the system has drawn them.
    SCROLLINFO scroll[2] = {};
};

// Not a function-local static: its first use would set up the runtime's guard
// mutex, whose memory stays behind each time the library is unloaded. Two
// threads registering at once get the same number, so a plain atomic will do.
std::atomic<UINT> detachMessage{0};

UINT DetachMessage()
{
    UINT message = detachMessage.load(std::memory_order_relaxed);
    if (!message) {
        message = RegisterWindowMessageW(L"VelumoSkinDetach");
        detachMessage.store(message, std::memory_order_relaxed);
    }
    return message;
}

SkinKind KindOf(int object)
{
    return SkinObjectAt(object).kind;
}

WindowData* DataOf(HWND window)
{
    DWORD_PTR data = 0;
    if (!GetWindowSubclass(window, SkinSubclassProc, kSubclassId, &data))
        return nullptr;
    return reinterpret_cast<WindowData*>(data);
}

// Fonts and list/progress colours are window state: set them on attach and
// put the window's own values back on detach.
bool IsClass(HWND window, const wchar_t* name)
{
    wchar_t className[64] = {};
    return GetClassNameW(window, className, 64) && _wcsicmp(className, name) == 0;
}

bool IsRichEdit(HWND window)
{
    return IsClass(window, L"RichEdit20W") || IsClass(window, L"RichEdit20A") ||
           IsClass(window, L"RICHEDIT50W");
}

// A text static that Windows Installer marks transparent (its
// msidbControlAttributesTransparent attribute, which it creates as
// WS_EX_TRANSPARENT): it shows what lies beneath it, the page's banner or
// side picture, instead of a face of its own.
bool IsTransparentText(HWND window)
{
    if (!IsClass(window, L"Static") || !(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
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
    return IsClass(window, L"Static") &&
           (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

// A window's place in its parent's client area.
RECT PlaceInParent(HWND window)
{
    RECT place = {};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// A rich edit takes its colours as content formatting, which new content
// brings along: they are set again whenever text comes in.
void ColourRichText(HWND window, const SkinObjectPaint& paint)
{
    SendMessageW(window, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(paint.style.face));
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = paint.style.text;
    SendMessageW(window, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(window, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void PlainRichText(HWND window)
{
    SendMessageW(window, EM_SETBKGNDCOLOR, 1, 0);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.dwEffects = CFE_AUTOCOLOR;
    SendMessageW(window, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(window, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void ApplyWindowState(HWND window, WindowData& data, const SkinObjectPaint& paint)
{
    const SkinKind kind = KindOf(data.object);
    if (paint.font && kind != SkinKind::Dialog && kind != SkinKind::PushButton &&
        kind != SkinKind::Picture) {
        if (!data.fontSet)
            data.oldFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
        data.fontSet = true;
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(paint.font.get()), TRUE);
    }
    if (kind == SkinKind::ListView && IsClass(window, L"SysHeader32")) {
        // painted whole by the engine; no colours to set
    } else if (kind == SkinKind::ListView && IsClass(window, L"SysTreeView32")) {
        if (!data.coloursSet) {
            data.oldBack = TreeView_GetBkColor(window);
            data.oldText = TreeView_GetTextColor(window);
            data.oldTextBack = TreeView_GetLineColor(window);
        }
        data.coloursSet = true;
        TreeView_SetBkColor(window, paint.style.face);
        TreeView_SetTextColor(window, paint.style.text);
        TreeView_SetLineColor(window, paint.colours.frame);
    } else if (kind == SkinKind::Edit && paint.full && IsRichEdit(window)) {
        data.coloursSet = true;
        ColourRichText(window, paint);
    } else if (kind == SkinKind::ListView) {
        if (!data.coloursSet) {
            data.oldBack = ListView_GetBkColor(window);
            data.oldText = ListView_GetTextColor(window);
            data.oldTextBack = ListView_GetTextBkColor(window);
        }
        data.coloursSet = true;
        ListView_SetBkColor(window, paint.style.face);
        ListView_SetTextBkColor(window, paint.style.face);
        ListView_SetTextColor(window, paint.style.text);
    } else if (kind == SkinKind::ProgressBar) {
        data.coloursSet = true;
        SendMessageW(window, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(paint.style.face));
        SendMessageW(window, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(paint.style.hot));
    }
}

void RestoreWindowState(HWND window, WindowData& data)
{
    if (data.fontSet)
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(data.oldFont), FALSE);
    data.fontSet = false;
    if (!data.coloursSet)
        return;
    data.coloursSet = false;
    if (KindOf(data.object) == SkinKind::ListView && IsClass(window, L"SysTreeView32")) {
        TreeView_SetBkColor(window, data.oldBack);
        TreeView_SetTextColor(window, data.oldText);
        TreeView_SetLineColor(window, data.oldTextBack);
    } else if (KindOf(data.object) == SkinKind::Edit) {
        PlainRichText(window);
    } else if (KindOf(data.object) == SkinKind::ListView) {
        ListView_SetBkColor(window, data.oldBack);
        ListView_SetTextBkColor(window, data.oldTextBack);
        ListView_SetTextColor(window, data.oldText);
    } else {
        SendMessageW(window, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(CLR_DEFAULT));
        SendMessageW(window, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(CLR_DEFAULT));
    }
}

void Refresh(HWND window)
{
    if (!IsWindowVisible(window))
        return;  // still being created, or hidden: it paints when shown
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void DetachHere(HWND window, bool repaint)
{
    WindowData* data = DataOf(window);
    if (!data)
        return;
    RestoreWindowState(window, *data);
    RemoveWindowSubclass(window, SkinSubclassProc, kSubclassId);
    const bool topLevelDialog = KindOf(data->object) == SkinKind::Dialog &&
                                !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
    delete data;
    Track(window, false);
    // The skin kept activation changes from the system's frame; tell it the
    // window's state before it draws that frame again.
    if (topLevelDialog && repaint)
        DefWindowProcW(window, WM_NCACTIVATE, GetActiveWindow() == window, 0);
    if (repaint)
        Refresh(window);
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
        return reinterpret_cast<LRESULT>(own->face.get());
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
        const int w = dialog.background.width, h = dialog.background.height;
        SetBrushOrgEx(dc, ((-at.x) % w + w) % w, ((-at.y) % h + h) % h, nullptr);
        return reinterpret_cast<LRESULT>(dialog.backgroundTile.get());
    }
    return reinterpret_cast<LRESULT>(dialog.face.get());
}

// The dialog face a control stands on, from the nearest skinned dialog among
// its ancestors, or the skin's generic dialog object.
FaceSource FaceFor(HWND control, const Skin& skin)
{
    FaceSource face;
    HWND dialog = nullptr;
    for (HWND up = GetParent(control); up; up = GetParent(up)) {
        WindowData* data = DataOf(up);
        if (data && KindOf(data->object) == SkinKind::Dialog) {
            face.dialog = skin.object(data->object);
            dialog = up;
            break;
        }
        if (!(GetWindowLongW(up, GWL_STYLE) & WS_CHILD))
            break;
    }
    if (!face.dialog) {
        face.dialog = skin.object(static_cast<int>(SkinKind::Dialog));
        dialog = GetAncestor(control, GA_ROOT);
    }
    if (!face.dialog || !dialog)
        return FaceSource();
    POINT origin = {0, 0};
    MapWindowPoints(control, dialog, &origin, 1);
    face.origin = origin;
    RECT client;
    GetClientRect(dialog, &client);
    face.client = {client.right, client.bottom};
    return face;
}

bool FocusCueShown(HWND window)
{
    return GetFocus() == window &&
           !(SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void PaintButtonInto(HWND window, HDC dc, const WindowData& data, const Skin& skin,
                     const SkinObjectPaint& paint)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    const HFONT windowFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    const LRESULT buttonState = SendMessageW(window, BM_GETSTATE, 0, 0);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const bool enabled = IsWindowEnabled(window) != FALSE;
    RECT area;
    GetClientRect(window, &area);
    switch (KindOf(data.object)) {
    case SkinKind::CheckBox:
    case SkinKind::RadioButton: {
        CheckPaintState state;
        if (!enabled)
            state.look = CheckLook::Disabled;
        else if (buttonState & BST_PUSHED)
            state.look = CheckLook::Pressed;
        else if (data.hot)
            state.look = CheckLook::Hot;
        state.check = static_cast<int>(SendMessageW(window, BM_GETCHECK, 0, 0));
        state.radio = KindOf(data.object) == SkinKind::RadioButton;
        state.focused = FocusCueShown(window);
        state.hideAccelerators = (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0;
        state.style = style;
        state.text = text;
        state.windowFont = windowFont;
        PaintCheckButton(dc, area, paint, state, FaceFor(window, skin));
        return;
    }
    case SkinKind::GroupBox:
        PaintGroupBox(dc, area, paint, text, windowFont, enabled, FaceFor(window, skin));
        return;
    default:
        break;
    }
    ButtonPaintState state;
    if (!enabled)
        state.look = ButtonLook::Disabled;
    else if (buttonState & BST_PUSHED)
        state.look = ButtonLook::Pressed;
    else if (data.hot)
        state.look = ButtonLook::Hot;
    state.focused = FocusCueShown(window);
    state.isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    state.text = text;
    state.windowFont = windowFont;
    PaintPushButton(dc, area, paint, state);
}

// The caption buttons that the window has, drawn as plain glyphs in the
// caption's text colour where the system keeps them, so that they stay
// visible (and the system still answers clicks on them). Returns the left
// edge of the leftmost button.
int PaintCaptionButtons(HDC dc, const RECT& bar, LONG style, COLORREF colour)
{
    if (!(style & WS_SYSMENU))
        return bar.right;
    const int size = std::max(6, std::min<int>(GetSystemMetrics(SM_CXSIZE) - 2,
                                               bar.bottom - bar.top - 4));
    RECT button = {bar.right - 2 - size, bar.top + (bar.bottom - bar.top - size) / 2,
                   bar.right - 2, 0};
    button.bottom = button.top + size;
    HPEN pen = CreatePen(PS_SOLID, 2, colour);
    if (!pen)
        return bar.right;
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const int inset = size / 4;
    auto line = [dc](int x1, int y1, int x2, int y2) {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    };
    // Close: a cross.
    line(button.left + inset, button.top + inset, button.right - inset, button.bottom - inset);
    line(button.right - inset, button.top + inset, button.left + inset, button.bottom - inset);
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
            line(button.left + inset, button.bottom - inset, button.right - inset,
                 button.bottom - inset);
        left = button.left;
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    return left;
}

// The caption bar of a frame-skinned dialog: the frame object's border
// colour with the caption in its face colour and font, drawn over the
// system's caption once the system has drawn the frame.
void PaintCaption(HWND window, const SkinObjectPaint& paint)
{
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    RECT windowRect, client;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT caption = {client.left - windowRect.left, GetSystemMetrics(SM_CYFRAME),
                    client.right - windowRect.left, client.top - windowRect.top};
    if (caption.bottom > caption.top) {
        FillRect(dc, &caption, paint.border.get());
        caption.right = PaintCaptionButtons(dc, caption, GetWindowLongW(window, GWL_STYLE),
                                            paint.style.face) - 4;
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        HGDIOBJ oldFont = paint.font ? SelectObject(dc, paint.font.get()) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, paint.style.face);
        caption.left += 6;
        DrawTextW(dc, text, -1, &caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        if (oldFont)
            SelectObject(dc, oldFont);
    }
    ReleaseDC(window, dc);
}

// List and tree views tell their parent how they are about to draw an item;
// the answer gives a selected item the skin's selection instead of the
// system's highlight, which the views otherwise always use.
LRESULT ViewItemColours(const Skin& skin, LPARAM lParam, bool& handled)
{
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
    WindowData* data = DataOf(draw->hdr.hwndFrom);
    const SkinObjectPaint* paint = data ? skin.object(data->object) : nullptr;
    if (!paint || !paint->full || KindOf(data->object) != SkinKind::ListView)
        return 0;
    if (draw->dwDrawStage == CDDS_PREPAINT) {
        handled = true;
        return CDRF_NOTIFYITEMDRAW;
    }
    if (draw->dwDrawStage != CDDS_ITEMPREPAINT)
        return 0;
    const bool tree = IsClass(draw->hdr.hwndFrom, L"SysTreeView32");
    // A view's header is skinned as a view too, but its notes carry no
    // item colours to set.
    if (!tree && !IsClass(draw->hdr.hwndFrom, L"SysListView32"))
        return 0;
    const bool selected = (draw->uItemState & CDIS_SELECTED) ||
                          (tree && (TreeView_GetItemState(draw->hdr.hwndFrom,
                                                          reinterpret_cast<HTREEITEM>(draw->dwItemSpec),
                                                          TVIS_DROPHILITED) & TVIS_DROPHILITED));
    const COLORREF text = selected ? paint->colours.selectionText : paint->style.text;
    const COLORREF back = selected ? paint->colours.selection : paint->style.face;
    draw->uItemState &= ~CDIS_SELECTED;
    if (tree) {
        auto* item = reinterpret_cast<NMTVCUSTOMDRAW*>(lParam);
        item->clrText = text;
        item->clrTextBk = back;
    } else {
        auto* item = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        item->clrText = text;
        item->clrTextBk = back;
    }
    handled = true;
    return CDRF_DODEFAULT;
}

LRESULT DialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      WindowData& data, const Skin& skin, const SkinObjectPaint& paint,
                      bool& handled)
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
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(window, &area);
        HDC dc = reinterpret_cast<HDC>(wParam);
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
        PaintDialogBackground(dc, area, {0, 0}, {area.right, area.bottom}, paint);
        RestoreDC(dc, saved);
        handled = true;
        return 1;
    }
    case WM_NOTIFY:
        if (lParam && reinterpret_cast<const NMHDR*>(lParam)->code == NM_CUSTOMDRAW)
            return ViewItemColours(skin, lParam, handled);
        return 0;
    case WM_CTLCOLORDLG:
        handled = true;
        SetBkColor(reinterpret_cast<HDC>(wParam), paint.style.face);
        return reinterpret_cast<LRESULT>(paint.face.get());
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
            PaintCaption(window, *frame);
            return result;
        }
        return 0;
    default:
        return 0;
    }
}

// WM_PAINT and WM_PRINTCLIENT end in one painter, on the screen's device
// context or the one the caller prints into. False for other messages.
template <typename Painter>
bool PaintsWith(HWND window, UINT message, WPARAM wParam, Painter paintInto)
{
    if (message == WM_PRINTCLIENT) {
        paintInto(reinterpret_cast<HDC>(wParam));
        return true;
    }
    if (message != WM_PAINT)
        return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc)
        paintInto(dc);
    EndPaint(window, &ps);
    return true;
}

// Lets the control handle a message that it answers by drawing at once,
// outside WM_PAINT, then has the skin paint over what it drew.
LRESULT PassThenRepaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (IsWindow(window))
        InvalidateRect(window, nullptr, FALSE);
    return result;
}

LRESULT ButtonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                      const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    if (PaintsWith(window, message, wParam,
                   [&](HDC dc) { PaintButtonInto(window, dc, data, skin, paint); })) {
        handled = true;
        return 0;
    }
    switch (message) {
    case WM_ERASEBKGND:
        // A group box holding its own controls (the installer's radio groups)
        // is the face they stand on; one beside them must not paint over them.
        if (KindOf(data.object) == SkinKind::GroupBox && GetWindow(window, GW_CHILD)) {
            RECT area;
            GetClientRect(window, &area);
            PaintStandingFace(reinterpret_cast<HDC>(wParam), area, FaceFor(window, skin), paint);
        }
        handled = true;
        return 1;
    case WM_MOUSEMOVE:
        if (!data.hot) {
            data.hot = true;
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_MOUSELEAVE:
        data.hot = false;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    // The button control draws some state changes at once.
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_CLICK:
    case WM_CAPTURECHANGED:
    case BM_SETSTYLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
        return PassThenRepaint(window, message, wParam, lParam, handled);
    default:
        return 0;
    }
}

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
    bool moved = false;
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

// Smoothed text blends its colour into the background: a selected letter's
// edge pixels lie between the system's highlight and highlight-text colours.
// Such a pixel takes the same place between the skin's two colours.
class SelectionBlend {
public:
    SelectionBlend(COLORREF background, COLORREF text, COLORREF skinBackground, COLORREF skinText)
    {
        const COLORREF from[] = {background, text}, to[] = {skinBackground, skinText};
        for (int end = 0; end < 2; ++end) {
            from_[end][0] = GetRValue(from[end]), from_[end][1] = GetGValue(from[end]);
            from_[end][2] = GetBValue(from[end]);
            to_[end][0] = GetRValue(to[end]), to_[end][1] = GetGValue(to[end]);
            to_[end][2] = GetBValue(to[end]);
        }
        for (int c = 0; c < 3; ++c) {
            if (abs(from_[1][c] - from_[0][c]) > abs(from_[1][dominant_] - from_[0][dominant_]))
                dominant_ = c;
        }
    }

    // colour as a DIB pixel, 0x00RRGGBB.
    uint32_t Map(uint32_t colour) const
    {
        const int p[3] = {int(colour >> 16 & 0xFF), int(colour >> 8 & 0xFF), int(colour & 0xFF)};
        const int span = from_[1][dominant_] - from_[0][dominant_];
        if (abs(span) < 32)
            return colour;  // the two colours are too close to tell a blend
        const double share = double(p[dominant_] - from_[0][dominant_]) / span;
        if (share <= 0.0 || share >= 1.0)
            return colour;
        int mapped[3];
        for (int c = 0; c < 3; ++c) {
            const double expected = from_[0][c] + share * (from_[1][c] - from_[0][c]);
            if (std::abs(expected - p[c]) > 3.0)
                return colour;  // not on the line between the two
            mapped[c] = int(to_[0][c] + share * (to_[1][c] - to_[0][c]) + 0.5);
        }
        return uint32_t(mapped[0]) << 16 | uint32_t(mapped[1]) << 8 | uint32_t(mapped[2]);
    }

private:
    int from_[2][3];
    int to_[2][3];
    int dominant_ = 0;
};

// A plain edit control draws its selection in the system's highlight colours
// and disabled text in its grey, whatever the dialog answers for the field.
// It paints itself into a bitmap here; those colours are then exchanged for
// the skin's before the bitmap reaches the screen.
void PaintEditInSkinColours(HWND window, const SkinObjectPaint& paint)
{
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = width > 0 && height > 0
                         ? CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                         : nullptr;
    HDC memory = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
    if (!memory) {
        // Without a bitmap the control paints as it always does.
        if (bitmap)
            DeleteObject(bitmap);
        DefSubclassProc(window, WM_PAINT, 0, 0);
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HGDIOBJ old = SelectObject(memory, bitmap);
    DefSubclassProc(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                    PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    // DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
    auto pixel = [](COLORREF c) {
        return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    };
    // A single-line edit with WS_BORDER draws that border itself, in the
    // window-frame colour. A system colour that the skin also uses for the
    // field's face or text stays as it is.
    const std::pair<int, COLORREF> wanted[] = {
        {COLOR_HIGHLIGHT, paint.colours.selection},
        {COLOR_HIGHLIGHTTEXT, paint.colours.selectionText},
        {COLOR_GRAYTEXT, paint.style.disabled},
        {COLOR_WINDOWFRAME, paint.colours.frame},
    };
    std::vector<std::pair<uint32_t, uint32_t>> swaps;
    for (const auto& want : wanted) {
        const COLORREF system = GetSysColor(want.first);
        if (system != paint.style.face && system != paint.style.text)
            swaps.emplace_back(pixel(system), pixel(want.second));
    }
    const SelectionBlend blend(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT),
                               paint.colours.selection, paint.colours.selectionText);
    uint32_t* at = static_cast<uint32_t*>(bits);
    // Blends count only where the selection is: inside the rectangle of the
    // highlight's own pixels, and never the field's face.
    const uint32_t highlight = pixel(GetSysColor(COLOR_HIGHLIGHT)), face = pixel(paint.style.face);
    RECT selected = {width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((at[size_t(y) * width + x] & 0xFFFFFF) == highlight) {
                selected.left = std::min<LONG>(selected.left, x);
                selected.top = std::min<LONG>(selected.top, y);
                selected.right = std::max<LONG>(selected.right, x + 1);
                selected.bottom = std::max<LONG>(selected.bottom, y + 1);
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t& here = at[size_t(y) * width + x];
            const uint32_t colour = here & 0xFFFFFF;
            bool swapped = false;
            for (const auto& swap : swaps) {
                if (colour == swap.first) {
                    here = swap.second;
                    swapped = true;
                    break;
                }
            }
            if (!swapped && colour != face && x >= selected.left && x < selected.right &&
                y >= selected.top && y < selected.bottom)
                here = blend.Map(colour);
        }
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    EndPaint(window, &ps);
}

// Fields, lists and progress bars: the border and scroll bars around them.
LRESULT FieldMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                     const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    if (message == WM_NCPAINT) {
        handled = true;
        for (int bar : {SB_VERT, SB_HORZ}) {
            data.scroll[bar].cbSize = sizeof data.scroll[bar];
            data.scroll[bar].fMask = SIF_ALL;
            GetScrollInfo(window, bar, &data.scroll[bar]);
        }
        PaintFieldFrame(window, paint, ScrollColoursOf(skin, paint));
        return 0;
    }
    handled = true;
    if (message == WM_PAINT && !wParam && KindOf(data.object) == SkinKind::Edit &&
        !IsRichEdit(window) && IsClass(window, L"Edit")) {
        PaintEditInSkinColours(window, paint);
        return 0;
    }
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (!IsWindow(window))
        return result;
    if (KindOf(data.object) == SkinKind::Edit && (message == EM_STREAMIN || message == WM_SETTEXT) &&
        IsRichEdit(window))
        ColourRichText(window, paint);
    if (message == WM_ENABLE)
        PaintFieldFrame(window, paint, ScrollColoursOf(skin, paint));
    else
        RedrawScrollBarsIfMoved(window, data, skin, paint);
    return result;
}

bool ChangesListLook(UINT message)
{
    switch (message) {
    case WM_SETFOCUS: case WM_KILLFOCUS: case WM_ENABLE: case WM_SIZE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_MOUSEMOVE: case WM_KEYDOWN: case WM_CHAR:
    case WM_VSCROLL: case WM_HSCROLL: case WM_MOUSEWHEEL: case WM_TIMER: case WM_UPDATEUISTATE:
    case LB_SETCURSEL: case LB_SETSEL: case LB_SETTOPINDEX: case LB_SETCARETINDEX:
    case LB_ADDSTRING: case LB_INSERTSTRING: case LB_DELETESTRING: case LB_RESETCONTENT:
    case LB_SELECTSTRING: case LB_SELITEMRANGE: case LB_SELITEMRANGEEX:
        return true;
    default:
        return false;
    }
}

// List boxes draw items and selection in the system's colours, partly at
// once outside WM_PAINT; the engine draws them all and repaints after changes.
LRESULT ListBoxMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                       const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc)
            PaintListBox(window, dc, paint);
        EndPaint(window, &ps);
        handled = true;
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintListBox(window, reinterpret_cast<HDC>(wParam), paint);
        handled = true;
        return 0;
    case WM_ERASEBKGND:
        handled = true;
        return 1;
    default: {
        const LRESULT result = FieldMessage(window, message, wParam, lParam, data, skin, paint, handled);
        if (ChangesListLook(message) && IsWindow(window))
            InvalidateRect(window, nullptr, FALSE);
        return result;
    }
    }
}

void PaintOwnClient(HWND window, HDC dc, const WindowData& data, const Skin& skin,
                    const SkinObjectPaint& paint)
{
    switch (KindOf(data.object)) {
    case SkinKind::ProgressBar:
        PaintProgress(window, dc, paint);
        break;
    case SkinKind::ListView:  // the header of a list view
        PaintHeader(window, dc, paint);
        break;
    case SkinKind::ComboBox:
        PaintComboBox(window, dc, paint, ScrollColoursOf(skin, paint));
        break;
    case SkinKind::Static:
        PaintStaticShape(window, dc, paint, FaceFor(window, skin));
        break;
    case SkinKind::ScrollBar: {
        RECT area;
        GetClientRect(window, &area);
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        if (!GetScrollInfo(window, SB_CTL, &info))
            info.nMin = info.nMax = info.nPos = info.nPage = 0;
        const bool vertical = (GetWindowLongW(window, GWL_STYLE) & SBS_VERT) != 0;
        PaintScrollBar(dc, area, vertical, info, IsWindowEnabled(window) != FALSE,
                       ScrollColoursFor(&paint, paint));
        break;
    }
    default:
        break;
    }
}

// Controls whose client area the engine paints whole: progress bars, combo
// boxes, scroll bar controls and static lines and frames. The system draws
// some state changes at once; they are painted over after the message.
LRESULT OwnPaintMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowData& data,
                        const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    if (PaintsWith(window, message, wParam,
                   [&](HDC dc) { PaintOwnClient(window, dc, data, skin, paint); })) {
        handled = true;
        return 0;
    }
    switch (message) {
    case WM_ERASEBKGND:
        handled = true;
        return 1;
    case WM_NCPAINT:
        return FieldMessage(window, message, wParam, lParam, data, skin, paint, handled);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_MOUSEWHEEL:
    case WM_CAPTURECHANGED:
    case WM_COMMAND:
    case WM_TIMER:
    case CB_SETCURSEL:
    case CB_SELECTSTRING:
    case CB_SHOWDROPDOWN:
    case CB_RESETCONTENT:
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_DELETESTRING:
    case SBM_SETPOS:
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW:
    case SBM_SETSCROLLINFO:
    case SBM_ENABLE_ARROWS:
    case HDM_INSERTITEMW:
    case HDM_INSERTITEMA:
    case HDM_SETITEMW:
    case HDM_SETITEMA:
    case HDM_DELETEITEM:
    case WM_MOUSEMOVE:
        if (KindOf(data.object) == SkinKind::ProgressBar || KindOf(data.object) == SkinKind::Static)
            return 0;
        return PassThenRepaint(window, message, wParam, lParam, handled);
    default:
        return 0;
    }
}

// Passes on a message on which the control would draw at once, outside
// WM_PAINT, with its redrawing held, then has it paint in the skin.
LRESULT PassQuietly(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    const bool visible = IsWindowVisible(window) != FALSE;
    if (visible)
        DefSubclassProc(window, WM_SETREDRAW, FALSE, 0);
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (visible && IsWindow(window)) {
        DefSubclassProc(window, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window, nullptr, FALSE);
    }
    return result;
}

// The skin's banner or side picture in place of the package's bitmap.
LRESULT PictureMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       const SkinObjectPaint& paint, bool& handled)
{
    const auto paintPicture = [&](HDC dc) {
        RECT area;
        GetClientRect(window, &area);
        PaintImageCover(dc, area, paint.image);
    };
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc) {
            // Transparent text over the picture paints the picture beneath
            // itself; painting over it here would wipe the text out.
            const RECT mine = PlaceInParent(window);
            HWND parent = GetParent(window);
            for (HWND other = GetWindow(parent, GW_CHILD); other;
                 other = GetWindow(other, GW_HWNDNEXT)) {
                if (other == window || !IsWindowVisible(other) || !IsTransparentText(other))
                    continue;
                const RECT theirs = PlaceInParent(other);
                ExcludeClipRect(dc, theirs.left - mine.left, theirs.top - mine.top,
                                theirs.right - mine.left, theirs.bottom - mine.top);
            }
            paintPicture(dc);
        }
        EndPaint(window, &ps);
        handled = true;
        return 0;
    }
    switch (message) {
    case WM_PRINTCLIENT:
        paintPicture(reinterpret_cast<HDC>(wParam));
        handled = true;
        return 0;
    case WM_ERASEBKGND:
        handled = true;
        return 1;
    case STM_SETIMAGE:
    case WM_SETTEXT:
    case WM_ENABLE:
        return PassQuietly(window, message, wParam, lParam, handled);
    default:
        return 0;
    }
}

// Transparent text, drawn off-screen over what lies beneath it: the
// dialog's face and any bitmap of the page under it, the skin's picture or
// the package's own, then the text itself, so that it comes up in one piece.
void PaintTransparentText(HWND window, HDC dc, const Skin& skin, const SkinObjectPaint& paint)
{
    RECT all;
    GetClientRect(window, &all);
    const int width = all.right, height = all.bottom;
    if (width <= 0 || height <= 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (!bitmap) {
        if (memory)
            DeleteDC(memory);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    PaintStandingFace(memory, all, FaceFor(window, skin), paint);
    const RECT mine = PlaceInParent(window);
    // From the bottom of the z-order up, so that the topmost ends on top.
    HWND parent = GetParent(window);
    HWND first = GetWindow(parent, GW_CHILD);
    for (HWND other = first ? GetWindow(first, GW_HWNDLAST) : nullptr; other;
         other = GetWindow(other, GW_HWNDPREV)) {
        if (other == window || !IsWindowVisible(other) || !IsBitmapStatic(other))
            continue;
        const RECT theirs = PlaceInParent(other);
        RECT overlap;
        if (!IntersectRect(&overlap, &theirs, &mine))
            continue;
        // Whole, then the part beneath: a stretched image drawn through a
        // moved origin does not come out as the picture paints itself.
        const int otherWidth = theirs.right - theirs.left, otherHeight = theirs.bottom - theirs.top;
        HDC whole = CreateCompatibleDC(dc);
        HBITMAP wholeBitmap = whole ? CreateCompatibleBitmap(dc, otherWidth, otherHeight) : nullptr;
        if (wholeBitmap) {
            HGDIOBJ oldWhole = SelectObject(whole, wholeBitmap);
            SendMessageW(other, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(whole), PRF_CLIENT);
            BitBlt(memory, overlap.left - mine.left, overlap.top - mine.top,
                   overlap.right - overlap.left, overlap.bottom - overlap.top, whole,
                   overlap.left - theirs.left, overlap.top - theirs.top, SRCCOPY);
            SelectObject(whole, oldWhole);
            DeleteObject(wholeBitmap);
        }
        if (whole)
            DeleteDC(whole);
    }
    // The static draws its text over that, asking the dialog for its colours
    // and getting a hollow brush (ControlColour).
    DefSubclassProc(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

LRESULT TransparentTextMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    if (PaintsWith(window, message, wParam,
                   [&](HDC dc) { PaintTransparentText(window, dc, skin, paint); })) {
        handled = true;
        return 0;
    }
    switch (message) {
    case WM_ERASEBKGND:
        handled = true;
        return 1;
    case WM_SETTEXT:
    case WM_ENABLE:
        // The control would draw the new text at once over the old.
        return PassQuietly(window, message, wParam, lParam, handled);
    default:
        return 0;
    }
}

} // namespace

LRESULT CALLBACK SkinSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR, DWORD_PTR reference)
{
    auto* data = reinterpret_cast<WindowData*>(reference);
    if (message == WM_NCDESTROY || message == DetachMessage()) {
        DetachHere(window, message != WM_NCDESTROY);
        return message == WM_NCDESTROY ? DefSubclassProc(window, message, wParam, lParam) : 1;
    }
    const std::shared_ptr<const Skin> skin = CurrentSkin();
    const SkinObjectPaint* paint = skin ? skin->object(data->object) : nullptr;
    if (!paint)
        return DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_CREATE) {
        // Views and rich edits forget colours set before they made their own
        // state, which they do on creation: set them again once it exists.
        const LRESULT created = DefSubclassProc(window, message, wParam, lParam);
        if (created != -1 && data->coloursSet) {
            data->coloursSet = false;  // what was read before was not the view's own
            ApplyWindowState(window, *data, *paint);
        }
        return created;
    }
    bool handled = false;
    LRESULT result = 0;
    switch (KindOf(data->object)) {
    case SkinKind::Dialog:
        result = DialogMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    case SkinKind::PushButton:
        result = ButtonMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    case SkinKind::CheckBox:
    case SkinKind::RadioButton:
    case SkinKind::GroupBox:
        if (paint->full)
            result = ButtonMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    case SkinKind::ListBox:
        if (paint->full && IsPlainListBox(GetWindowLongW(window, GWL_STYLE)))
            result = ListBoxMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        else if (paint->full)
            result = FieldMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    case SkinKind::ListView:
        if (paint->full && IsClass(window, L"SysHeader32"))
            result = OwnPaintMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        else if (paint->full)
            result = FieldMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    case SkinKind::Edit:
        if (paint->full)
            result = FieldMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    case SkinKind::Picture:
        result = PictureMessage(window, message, wParam, lParam, *paint, handled);
        break;
    case SkinKind::Static:
        if (IsTransparentText(window))
            result = TransparentTextMessage(window, message, wParam, lParam, *skin, *paint, handled);
        else if (paint->full && IsStaticShape(GetWindowLongW(window, GWL_STYLE)))
            result = OwnPaintMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        else if (paint->full && message == WM_NCPAINT)
            result = FieldMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    case SkinKind::ComboBox:
        // An owner-drawn list's items are its owner's to draw; the engine
        // would show their item data as text.
        if (paint->full && (GetWindowLongW(window, GWL_STYLE) &
                            (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)))
            result = FieldMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        else if (paint->full)
            result = OwnPaintMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    case SkinKind::ProgressBar:
    case SkinKind::ScrollBar:
        if (paint->full)
            result = OwnPaintMessage(window, message, wParam, lParam, *data, *skin, *paint, handled);
        break;
    default:
        break;
    }
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

bool SkinWindowAttach(HWND window, int object, int flags)
{
    const std::shared_ptr<const Skin> skin = CurrentSkin();
    const SkinObjectPaint* paint = skin ? skin->object(object) : nullptr;
    if (!paint || !IsWindow(window))
        return false;
    const bool drawsFrame = (flags & 1) && SkinObjectAt(object).kind == SkinKind::Dialog;
    if (WindowData* data = DataOf(window)) {
        RestoreWindowState(window, *data);
        data->object = object;
        if (drawsFrame)
            data->frameObject = object;
        ApplyWindowState(window, *data, *paint);
        Refresh(window);
        return true;
    }
    auto* data = new WindowData;
    data->object = object;
    if (drawsFrame)
        data->frameObject = object;
    if (!SetWindowSubclass(window, SkinSubclassProc, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(data))) {
        delete data;
        return false;
    }
    Track(window, true);
    ApplyWindowState(window, *data, *paint);
    Refresh(window);
    return true;
}

bool SkinWindowDetach(HWND window)
{
    if (!IsWindow(window))
        return true;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        DetachHere(window, true);
        return true;
    }
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, DetachMessage(), 0, 0, SMTO_NORMAL, kDetachTimeoutMs,
                               &answer) != 0;
}

int SkinWindowObject(HWND window)
{
    WindowData* data = DataOf(window);
    return data ? data->object : kNoObject;
}

std::vector<HWND> SkinWindowAll()
{
    AcquireSRWLockShared(&windowsLock);
    std::vector<HWND> windows;
    if (skinnedWindows)
        windows.assign(skinnedWindows->begin(), skinnedWindows->end());
    ReleaseSRWLockShared(&windowsLock);
    return windows;
}
