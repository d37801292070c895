// The seven exports of the product's skin engine. Each hands on to the
// decoration state; the callers do not consult the results, which are nonzero
// for done and zero for refused.
#include "SkinDecoration.h"
#include "SkinEngineApi.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(module);
        SkinDecorationSetModule(module);
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
