// The product's skin engine. For now it accepts every call and keeps the
// state a drawing engine needs to answer them consistently; windows are not
// yet restyled.
#include "SkinEngineApi.h"

#include <string>

namespace {

struct EngineState {
    bool initialised = false;
    bool applied = false;
    std::wstring skinPath;
    LONG extraThreads = 0;
};

EngineState state;

} // namespace

extern "C" {

int WINAPI InitDecoration(int mode)
{
    state = EngineState();
    state.initialised = mode != 0;
    return state.initialised;
}

int WINAPI LoadSkinFromFile(const wchar_t* skinPath)
{
    if (!state.initialised || !skinPath)
        return 0;
    state.skinPath = skinPath;
    return GetFileAttributesW(skinPath) != INVALID_FILE_ATTRIBUTES;
}

int WINAPI ApplySkin()
{
    state.applied = state.initialised && !state.skinPath.empty();
    return state.applied;
}

int WINAPI DeInitDecoration()
{
    const bool was = state.initialised;
    state = EngineState();
    return was;
}

int WINAPI SetCustomSkinWnd(HWND window, const wchar_t* objectName, int)
{
    return state.applied && IsWindow(window) && objectName && *objectName;
}

int WINAPI AddAdditionalThread()
{
    InterlockedIncrement(&state.extraThreads);
    return state.initialised;
}

int WINAPI DeleteAdditionalThread()
{
    return InterlockedDecrement(&state.extraThreads) >= 0;
}

} // extern "C"
