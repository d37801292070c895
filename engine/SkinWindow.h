#pragma once

// One skinned window: the subclass that paints it in its skin object and
// hands every other message on. The subclass goes with WM_NCDESTROY or when
// the engine detaches it; either way the window is left as it was found.

#include <windows.h>

#include <vector>

// Skins the window with the object (an index into the object table), or
// switches an already skinned window to that object. Must run on the window's
// own thread. flags: 1 on a dialog object also paints the caption bar.
bool SkinWindowAttach(HWND window, int object, int flags);

// Removes the skin from a window of any thread: directly on its own thread,
// otherwise by a message that its thread handles. False if it did not answer.
bool SkinWindowDetach(HWND window);

// The object a window is skinned with, or kNoObject. Own thread only.
int SkinWindowObject(HWND window);

// Every window skinned now, of any thread, for the engine's release.
std::vector<HWND> SkinWindowAll();
