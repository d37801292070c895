#include "SkinEngine.h"

namespace {

template <typename Fn>
void Resolve(HMODULE module, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

bool SkinEngineLoad(SkinEngine& engine, const char* libraryPath)
{
    engine = SkinEngine();
    HMODULE module = LoadLibraryA(libraryPath);
    if (!module)
        return false;
    SkinEngine bound;
    bound.module = module;
    Resolve(module, "InitDecoration", bound.InitDecoration);
    Resolve(module, "LoadSkinFromFile", bound.LoadSkinFromFile);
    Resolve(module, "ApplySkin", bound.ApplySkin);
    Resolve(module, "DeInitDecoration", bound.DeInitDecoration);
    Resolve(module, "SetCustomSkinWnd", bound.SetCustomSkinWnd);
    Resolve(module, "AddAdditionalThread", bound.AddAdditionalThread);
    Resolve(module, "DeleteAdditionalThread", bound.DeleteAdditionalThread);
    if (!bound.InitDecoration || !bound.LoadSkinFromFile || !bound.ApplySkin ||
        !bound.DeInitDecoration) {
        FreeLibrary(module);
        return false;
    }
    engine = bound;
    return true;
}

const wchar_t* SkinEngineWide(const char* text)
{
    static wchar_t wide[kSkinPathUnits];
    if (!MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, wide, kSkinPathUnits))
        wide[0] = L'\0';
    return wide;
}

void SkinEngineApply(SkinEngine& engine, const char* skinPath)
{
    if (!engine.loaded())
        return;
    engine.InitDecoration(1);
    engine.LoadSkinFromFile(SkinEngineWide(skinPath));
    engine.ApplySkin();
}

bool SkinEngineRelease(SkinEngine& engine)
{
    if (!engine.loaded())
        return true;
    const bool released = engine.DeInitDecoration() != 0;
    HMODULE pinned = nullptr;
    if (released) {
        FreeLibrary(engine.module);
    } else {
        // Unloading now would leave those windows calling into freed code.
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(engine.DeInitDecoration)),
                           &pinned);
    }
    engine = SkinEngine();
    return released;
}
