#pragma once

// The engine's state for the whole process: the loaded skin and the threads
// whose windows are skinned, each with its CBT hook.

#include <windows.h>

void SkinDecorationSetModule(HINSTANCE module);

bool SkinDecorationInit();
bool SkinDecorationLoad(const wchar_t* path);
bool SkinDecorationApply();
bool SkinDecorationSetCustom(HWND window, const wchar_t* objectName, int flags);
bool SkinDecorationAddThread();
bool SkinDecorationDeleteThread();
bool SkinDecorationDeInit();
