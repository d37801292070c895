#pragma once

#include "SkinEngineApi.h"

// A loaded skin engine and its entry points. Every pointer is null unless the
// library loaded and exports it. It owns the library: moved, not copied, and
// released (SkinEngineRelease) when it goes.
struct SkinEngine {
    SkinEngine() = default;
    ~SkinEngine();
    SkinEngine(SkinEngine&& other) noexcept;
    SkinEngine& operator=(SkinEngine&& other) noexcept;
    SkinEngine(const SkinEngine&) = delete;
    SkinEngine& operator=(const SkinEngine&) = delete;

    HMODULE module = nullptr;
    InitDecorationFn InitDecoration = nullptr;
    LoadSkinFromFileFn LoadSkinFromFile = nullptr;
    ApplySkinFn ApplySkin = nullptr;
    DeInitDecorationFn DeInitDecoration = nullptr;
    SetCustomSkinWndFn SetCustomSkinWnd = nullptr;
    AddAdditionalThreadFn AddAdditionalThread = nullptr;
    DeleteAdditionalThreadFn DeleteAdditionalThread = nullptr;

    bool loaded() const { return module != nullptr; }
};

// Loads the library by its full path and resolves the seven exports by name.
// A library that lacks one of the four core exports (InitDecoration,
// LoadSkinFromFile, ApplySkin, DeInitDecoration) is freed again at once and
// counts as not loadable: the program then runs unskinned.
bool SkinEngineLoad(SkinEngine& engine, const char* libraryPath);

// InitDecoration(1), LoadSkinFromFile with the skin path converted from the
// ANSI code page to UTF-16, then ApplySkin. Does nothing without an engine.
void SkinEngineApply(SkinEngine& engine, const char* skinPath);

// DeInitDecoration, then FreeLibrary; afterwards the engine's file may be
// deleted. When DeInitDecoration fails (a registered thread did not answer),
// windows are still subclassed by the engine's code: the module is pinned
// instead, stays loaded for the rest of the process, and false is returned.
// Does nothing without an engine, and returns true then.
bool SkinEngineRelease(SkinEngine& engine);

// The ANSI text as UTF-16 in a buffer of kSkinPathUnits units, for the engine.
// The buffer is static: one conversion at a time, on the thread that binds.
const wchar_t* SkinEngineWide(const char* text);
