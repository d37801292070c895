// The seven exports of the product's skin engine. Each hands on to the
// decoration state; the callers do not consult the results, which are nonzero
// for done and zero for refused.
#include "SkinDecoration.h"
#include "SkinEngineApi.h"

// The C++ runtime linked into this library sets aside a reserve for throwing
// exceptions when memory runs out (about 19 KB) as it loads, and nothing in it
// gives the reserve back when the library is unloaded: a program that loads and
// frees the engine again and again would lose it every time. This is the
// runtime's own hook for returning its memory.
namespace __gnu_cxx {
void __freeres() noexcept;
}

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(module);
        SkinDecorationSetModule(module);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by FreeLibrary, so no code of ours runs again. At process
        // exit (reserved set) the memory goes with the process anyway.
        __gnu_cxx::__freeres();
    }
    return TRUE;
}

int WINAPI InitDecoration(int mode)
{
    return mode == 1 && SkinDecorationInit();
}

int WINAPI LoadSkinFromFile(const wchar_t* skinPath)
{
    return SkinDecorationLoad(skinPath);
}

int WINAPI ApplySkin()
{
    return SkinDecorationApply();
}

int WINAPI DeInitDecoration()
{
    return SkinDecorationDeInit();
}

int WINAPI SetCustomSkinWnd(HWND window, const wchar_t* objectName, int flags)
{
    return SkinDecorationSetCustom(window, objectName, flags);
}

int WINAPI AddAdditionalThread()
{
    return SkinDecorationAddThread();
}

int WINAPI DeleteAdditionalThread()
{
    return SkinDecorationDeleteThread();
}

} // extern "C"
