#include "ButtonWindow.h"

#include "DialogFace.h"
#include "PaintMessage.h"
#include "SkinControls.h"
#include "SkinPainter.h"
#include "WindowDpi.h"
#include "WindowKinds.h"

namespace {

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
        state.dpi = WindowDpi(window);
        state.rightToLeft = ReadsRightToLeft(window);
        PaintCheckButton(dc, area, paint, state, StandingFace(window, skin));
        return;
    }
    case SkinKind::GroupBox:
        PaintGroupBox(dc, area, paint, text, windowFont, enabled, StandingFace(window, skin),
                      ReadsRightToLeft(window));
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
    state.dpi = WindowDpi(window);
    if (style & (BS_ICON | BS_BITMAP)) {
        state.pictureIsIcon = (style & BS_ICON) != 0;
        state.picture = reinterpret_cast<HANDLE>(SendMessageW(
            window, BM_GETIMAGE, state.pictureIsIcon ? IMAGE_ICON : IMAGE_BITMAP, 0));
    }
    PaintPushButton(dc, area, paint, state);
}

} // namespace

LRESULT ButtonMessage(HWND window, UINT message, WPARAM wParam, LPARAM, WindowData& data,
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
            PaintStandingFace(reinterpret_cast<HDC>(wParam), area, StandingFace(window, skin),
                              paint);
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
    default:
        return 0;
    }
}
