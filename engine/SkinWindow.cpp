#include "SkinWindow.h"

#include "CurrentSkin.h"
#include "DialogFace.h"
#include "HeapGlobal.h"
#include "PopupMenu.h"
#include "SystemLook.h"
#include "WindowData.h"
#include "WindowState.h"

#include <commctrl.h>

#include <atomic>
#include <set>

LRESULT CALLBACK SkinSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR, DWORD_PTR reference);

namespace {

using WindowSet = HeapGlobal<std::set<HWND>>;
// Every skinned window, for the engine's release; there while it holds any.
WindowSet skinnedWindows;

void Track(HWND window, bool skinned)
{
    WindowSet::Exclusive windows(skinnedWindows);
    if (skinned) {
        if (std::set<HWND>* set = windows.Ensure())
            set->insert(window);
    } else if (windows) {
        windows->erase(window);
        if (windows->empty())
            delete windows.Take();
    }
}

constexpr UINT_PTR kSubclassId = 0x56534B4E;
constexpr UINT kDetachTimeoutMs = 5000;

// The engine's own messages, registered on first use. Not function-local
// statics: their first use would set up the runtime's guard mutex, whose
// memory stays behind each time the library is unloaded. Two threads
// registering at once get the same number, so a plain atomic will do.
std::atomic<UINT> detachMessage{0};
std::atomic<UINT> lookMessage{0};

UINT Registered(std::atomic<UINT>& slot, const wchar_t* name)
{
    UINT message = slot.load(std::memory_order_relaxed);
    if (!message) {
        message = RegisterWindowMessageW(name);
        slot.store(message, std::memory_order_relaxed);
    }
    return message;
}

UINT DetachMessage()
{
    return Registered(detachMessage, L"VelumoSkinDetach");
}

// Asks a skinned window to take the look now in force, on its own thread.
UINT LookMessage()
{
    return Registered(lookMessage, L"VelumoSkinLook");
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

// The window takes the object, and the control class that goes with it.
void SetObject(HWND window, WindowData& data, int object, bool drawsFrame)
{
    data.object = object;
    if (drawsFrame)
        data.frameObject = object;
    data.control = &ChooseControlClass(window, KindOf(object));
}

// A window's class rests on its style too, which is not always final when
// the creation hook attaches it (the installer's transparent texts do not
// show WS_EX_TRANSPARENT yet): chosen again once the window is created and
// whenever its style changes.
void ChooseAgain(HWND window, WindowData& data, const SkinObjectPaint& paint)
{
    const ControlClass& control = ChooseControlClass(window, KindOf(data.object));
    if (&control == data.control)
        return;
    RestoreWindowState(window, data);
    data.control = &control;
    ApplyWindowState(window, data, paint);
}

// The look changed (dark mode, high contrast): the window gives back what
// the old look set and takes the new one's, or Windows' own while the engine
// steps aside.
void TakeLook(HWND window, WindowData& data)
{
    RestoreWindowState(window, data);
    const std::shared_ptr<const Skin> skin = CurrentSkin();
    if (const SkinObjectPaint* paint = skin ? skin->object(data.object) : nullptr)
        ApplyWindowState(window, data, *paint);
    if (KindOf(data.object) == SkinKind::Dialog && !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
        DefWindowProcW(window, WM_NCACTIVATE, GetActiveWindow() == window, 0);
    Refresh(window);
}

// Passes on a message on which the control would draw at once, outside
// WM_PAINT, with its redrawing held, then has it paint in the skin.
LRESULT PassQuietly(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
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

} // namespace

WindowData* DataOf(HWND window)
{
    DWORD_PTR data = 0;
    if (!GetWindowSubclass(window, SkinSubclassProc, kSubclassId, &data))
        return nullptr;
    return reinterpret_cast<WindowData*>(data);
}

LRESULT CALLBACK SkinSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR, DWORD_PTR reference)
{
    auto* data = reinterpret_cast<WindowData*>(reference);
    if (message == WM_NCDESTROY || message == DetachMessage()) {
        DetachHere(window, message != WM_NCDESTROY);
        return message == WM_NCDESTROY ? DefSubclassProc(window, message, wParam, lParam) : 1;
    }
    if (message == LookMessage()) {
        TakeLook(window, *data);
        return 1;
    }
    if (message == WM_SETTINGCHANGE &&
        ChangesSystemLook(static_cast<unsigned>(wParam), lParam, IsWindowUnicode(window) != FALSE) &&
        FollowSystemLook()) {
        // Every top-level window hears of it; the first one tells them all,
        // each on its own thread.
        for (HWND skinned : SkinWindowAll())
            SendNotifyMessageW(skinned, LookMessage(), 0, 0);
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
        if (created != -1)
            ChooseAgain(window, *data, *paint);
        return created;
    }
    if (message == WM_STYLECHANGED)
        ChooseAgain(window, *data, *paint);
    if (message == WM_SETFONT && data->fontSet && paint->font &&
        reinterpret_cast<HFONT>(wParam) != paint->font.get()) {
        // The dialog manager and the installer give each control its font
        // after creating it: that becomes the font to give back, and the
        // skin's stays.
        data->oldFont = reinterpret_cast<HFONT>(wParam);
        return DefSubclassProc(window, message, reinterpret_cast<WPARAM>(paint->font.get()),
                               lParam);
    }
    bool menuHandled = false;
    const LRESULT menuResult =
        PopupMenuMessage(window, message, wParam, lParam, *skin, *paint, menuHandled);
    if (menuHandled)
        return menuResult;
    const ControlClass& control = *data->control;
    if (!control.handle || (control.wholeSkinsOnly && !paint->full))
        return DefSubclassProc(window, message, wParam, lParam);
    if (control.drawHeld.Has(message))
        return PassQuietly(window, message, wParam, lParam);
    bool handled = false;
    LRESULT result = 0;
    if (KindOf(data->object) != SkinKind::Dialog)
        result = ColoursForChild(window, message, wParam, lParam, *skin, handled);
    if (!handled)
        result = control.handle(window, message, wParam, lParam, *data, *skin, *paint, handled);
    if (!handled)
        result = DefSubclassProc(window, message, wParam, lParam);
    if (control.repaintAfter.Has(message) && IsWindow(window))
        InvalidateRect(window, nullptr, FALSE);
    return result;
}

bool SkinWindowAttach(HWND window, int object, int flags)
{
    const std::shared_ptr<const Skin> skin = CurrentSkin();
    const SkinObjectPaint* paint = skin ? skin->object(object) : nullptr;
    if (!paint || !IsWindow(window))
        return false;
    const bool drawsFrame = (flags & 1) && KindOf(object) == SkinKind::Dialog;
    if (WindowData* data = DataOf(window)) {
        RestoreWindowState(window, *data);
        SetObject(window, *data, object, drawsFrame);
        ApplyWindowState(window, *data, *paint);
        Refresh(window);
        return true;
    }
    auto* data = new WindowData;
    SetObject(window, *data, object, drawsFrame);
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
    WindowSet::Shared windows(skinnedWindows);
    if (!windows)
        return {};
    return std::vector<HWND>(windows->begin(), windows->end());
}
