#include "SkinEngine.h"

#include <stdio.h>

#include <utility>

namespace {

template <typename Fn>
void Resolve(HMODULE module, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The engine's answers go to the debugger's output, so that a skin that does
// not apply can be told apart from one that applies and looks wrong.
void Trace(const char* call, long result)
{
    char line[96];
    snprintf(line, sizeof line, "Velumo skin engine: %s returned %ld\n", call, result);
    OutputDebugStringA(line);
}

} // namespace

SkinEngine::~SkinEngine()
{
    SkinEngineRelease(*this);
}

SkinEngine::SkinEngine(SkinEngine&& other) noexcept
{
    *this = std::move(other);
}

SkinEngine& SkinEngine::operator=(SkinEngine&& other) noexcept
{
    if (this != &other) {
        SkinEngineRelease(*this);
        module = std::exchange(other.module, nullptr);
        InitDecoration = std::exchange(other.InitDecoration, nullptr);
        LoadSkinFromFile = std::exchange(other.LoadSkinFromFile, nullptr);
        ApplySkin = std::exchange(other.ApplySkin, nullptr);
        DeInitDecoration = std::exchange(other.DeInitDecoration, nullptr);
        SetCustomSkinWnd = std::exchange(other.SetCustomSkinWnd, nullptr);
        AddAdditionalThread = std::exchange(other.AddAdditionalThread, nullptr);
        DeleteAdditionalThread = std::exchange(other.DeleteAdditionalThread, nullptr);
    }
    return *this;
}

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
        OutputDebugStringA("Velumo skin engine: an entry point is missing; running unskinned\n");
        bound.module = nullptr;
        FreeLibrary(module);
        return false;
    }
    engine = std::move(bound);
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
    Trace("InitDecoration", long(engine.InitDecoration(1)));
    Trace("LoadSkinFromFile", long(engine.LoadSkinFromFile(SkinEngineWide(skinPath))));
    Trace("ApplySkin", long(engine.ApplySkin()));
}

bool SkinEngineRelease(SkinEngine& engine)
{
    if (!engine.loaded())
        return true;
    const long result = long(engine.DeInitDecoration());
    Trace("DeInitDecoration", result);
    const bool released = result != 0;
    HMODULE pinned = nullptr;
    if (released) {
        FreeLibrary(engine.module);
    } else {
        // Unloading now would leave those windows calling into freed code.
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(engine.DeInitDecoration)),
                           &pinned);
    }
    // Forget the library without releasing it again.
    engine.module = nullptr;
    engine = SkinEngine();
    return released;
}
