#pragma once

// The seven exports of the skin engine "VelumoDll.dll", shared by both programs,
// our own engine and the test double. Every export is __stdcall and exported
// under its plain name through a .def file, so GetProcAddress finds it by the
// names below whichever compiler built the engine. Results are never consulted
// by the callers; an engine returns nonzero for done.

#include "ProductName.h"

#include <windows.h>

#define VELUMO_SKIN_EXPORT extern "C" __declspec(dllexport)

extern "C" {
typedef int(WINAPI* InitDecorationFn)(int mode);
typedef int(WINAPI* LoadSkinFromFileFn)(const wchar_t* skinPath);
typedef int(WINAPI* ApplySkinFn)();
typedef int(WINAPI* DeInitDecorationFn)();
typedef int(WINAPI* SetCustomSkinWndFn)(HWND window, const wchar_t* objectName, int flags);
typedef int(WINAPI* AddAdditionalThreadFn)();
typedef int(WINAPI* DeleteAdditionalThreadFn)();
}

// LoadSkinFromFile receives its path in a buffer of this many UTF-16 units.
constexpr int kSkinPathUnits = 521;
