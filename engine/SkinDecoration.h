#pragma once

// The engine's state for the whole process: the loaded skin, the threads whose
// windows are skinned (each with its CBT hook) and every subclassed window.

#include "Skin.h"

#include <memory>

void SkinDecorationSetModule(HINSTANCE module);

bool SkinDecorationInit();
bool SkinDecorationLoad(const wchar_t* path);
bool SkinDecorationApply();
bool SkinDecorationSetCustom(HWND window, const wchar_t* objectName, int flags);
bool SkinDecorationAddThread();
bool SkinDecorationDeleteThread();
bool SkinDecorationDeInit();

// The applied skin, or null while nothing is applied. Painting holds the
// reference for the duration of one message.
std::shared_ptr<const Skin> SkinDecorationCurrent();
void SkinDecorationTrack(HWND window, bool skinned);
