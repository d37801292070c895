#include "SkinDecoration.h"

#include "CurrentSkin.h"
#include "HeapGlobal.h"
#include "SkinObjects.h"
#include "WindowKinds.h"
#include "SkinWindow.h"

#include <map>
#include <string>
#include <vector>

namespace {

struct Decoration {
    bool initialised = false;
    bool applied = false;
    std::shared_ptr<const Skin> skin;
    std::map<DWORD, HHOOK> threads;  // registered threads; hook null until applied
};

HINSTANCE engineModule = nullptr;
using DecorationHolder = HeapGlobal<Decoration>;
// Made by InitDecoration and gone with DeInitDecoration.
DecorationHolder decoration;
using ExclusiveState = DecorationHolder::Exclusive;
using SharedState = DecorationHolder::Shared;

// OutputDebugString works by raising an exception; a setup has no debugger
// attached, so spare it that unless someone listens.
void Report(const std::string& text)
{
    if (IsDebuggerPresent())
        OutputDebugStringA(("VelumoDll: " + text + "\n").c_str());
}

// A bitmap of an installer page is the skin's banner or side picture when
// the skin has that picture; otherwise it is a static like any other.
void AttachAs(HWND window, int object, int picture)
{
    if (picture != kNoObject && SkinWindowAttach(window, picture, 0))
        return;
    if (object != kNoObject)
        SkinWindowAttach(window, object, 0);
}

void AttachByKind(HWND window)
{
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const int object = ClassifyWindow(window, style);
    AttachAs(window, object,
             object == static_cast<int>(SkinKind::Static) ? ClassifyPicture(window, style)
                                                          : kNoObject);
}

// Windows come into being in the thread that creates them; the hook sees each
// before its first message, so even WM_CREATE is handled in the skin.
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        HWND window = reinterpret_cast<HWND>(wParam);
        const CREATESTRUCTW& cs = *create->lpcs;
        const int object = ClassifyWindow(window, cs.style);
        int picture = kNoObject;
        // Not placed yet: where it goes is in the creation's arguments.
        RECT client;
        if (object == static_cast<int>(SkinKind::Static) && cs.hwndParent &&
            GetClientRect(cs.hwndParent, &client)) {
            const RECT placed = {cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
            picture = ClassifyPicture(cs.style, placed, client);
        }
        AttachAs(window, object, picture);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK AttachChild(HWND child, LPARAM)
{
    if (GetWindowThreadProcessId(child, nullptr) == GetCurrentThreadId())
        AttachByKind(child);
    return TRUE;
}

BOOL CALLBACK AttachTopLevel(HWND window, LPARAM)
{
    AttachByKind(window);
    EnumChildWindows(window, AttachChild, 0);
    return TRUE;
}

// Must be called with the lock held.
bool HookThread(Decoration& state, DWORD thread)
{
    HHOOK& hook = state.threads[thread];
    if (!hook)
        hook = SetWindowsHookExW(WH_CBT, CbtHook, engineModule, thread);
    if (!hook)
        Report("cannot hook thread " + std::to_string(thread));
    return hook != nullptr;
}

} // namespace

void SkinDecorationSetModule(HINSTANCE module)
{
    engineModule = module;
}

bool SkinDecorationInit()
{
    ExclusiveState state(decoration);
    if (!state.Ensure())
        return false;
    state->initialised = true;
    return true;
}

bool SkinDecorationLoad(const wchar_t* path)
{
    {
        SharedState state(decoration);
        // Windows already painted with one skin are not switched to another
        // half-way: a new skin takes a fresh InitDecoration.
        if (!state || !state->initialised || state->applied)
            return false;
    }
    std::string error;
    std::shared_ptr<const Skin> skin(Skin::Load(path, error));
    if (!skin) {
        Report("skin refused: " + error);
        return false;
    }
    ExclusiveState state(decoration);
    if (!state || !state->initialised || state->applied)
        return false;
    state->skin = std::move(skin);
    return true;
}

bool SkinDecorationApply()
{
    const DWORD thread = GetCurrentThreadId();
    {
        ExclusiveState state(decoration);
        if (!state || !state->initialised || !state->skin)
            return false;
        state->applied = true;
        SetCurrentSkin(state->skin);
        state->threads.emplace(thread, nullptr);
        for (auto& registered : state->threads)
            HookThread(*state.get(), registered.first);
    }
    EnumThreadWindows(thread, AttachTopLevel, 0);
    return true;
}

bool SkinDecorationSetCustom(HWND window, const wchar_t* objectName, int flags)
{
    const int object = FindSkinObject(objectName);
    if (object == kNoObject || !IsWindow(window) ||
        GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        return false;
    return SkinWindowAttach(window, object, flags);
}

bool SkinDecorationAddThread()
{
    const DWORD thread = GetCurrentThreadId();
    bool applied;
    {
        ExclusiveState state(decoration);
        if (!state || !state->initialised)
            return false;
        state->threads.emplace(thread, nullptr);
        applied = state->applied;
        if (applied && !HookThread(*state.get(), thread))
            return false;
    }
    if (applied)
        EnumThreadWindows(thread, AttachTopLevel, 0);
    return true;
}

bool SkinDecorationDeleteThread()
{
    ExclusiveState state(decoration);
    if (!state)
        return false;
    const auto found = state->threads.find(GetCurrentThreadId());
    if (found == state->threads.end())
        return false;
    // Windows the thread made stay skinned until they are destroyed, which
    // happens at the latest when the thread ends.
    if (found->second)
        UnhookWindowsHookEx(found->second);
    state->threads.erase(found);
    return true;
}

bool SkinDecorationDeInit()
{
    std::vector<HWND> windows;
    {
        ExclusiveState state(decoration);
        if (!state || !state->initialised)
            return false;
        for (auto& registered : state->threads) {
            if (registered.second)
                UnhookWindowsHookEx(registered.second);
        }
        state->threads.clear();
        // No window may be skinned once the list of those to detach is
        // taken: one attached after it would outlive the library.
        state->applied = false;
        SetCurrentSkin(nullptr);
    }
    windows = SkinWindowAll();
    // Detaching sends messages to other threads: never under the lock.
    bool allDetached = true;
    for (HWND window : windows)
        allDetached &= SkinWindowDetach(window);
    if (!allDetached)
        Report("a window of another thread did not answer; its skin stays");

    std::shared_ptr<const Skin> skin;
    {
        ExclusiveState state(decoration);
        state->initialised = false;
        // A window that did not let go still points into the state and
        // still uses the skin's font: both stay.
        if (allDetached) {
            skin = std::move(state->skin);
            delete state.Take();
        }
    }
    return allDetached;  // the skin's GDI objects go with the last reference
}
