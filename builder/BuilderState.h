#pragma once

#include "BoundedPath.h"
#include "SkinEngine.h"

#include <windows.h>

// What the builder learns at start-up and keeps for the whole run: the
// instance, its own folder and the skin engine. Start-up fills it in before
// any window or worker exists; from then on every thread only reads it.
struct BuilderState {
    HINSTANCE instance = nullptr;
    // The program's own folder, with its final backslash.
    char builderFolder[kMaxPath] = "";
    // Bound in interactive mode only; every pointer stays null otherwise.
    SkinEngine engine;
};

extern const BuilderState& gBuilder;

// Start-up's own access, to fill the state in (a test's too, before it
// shows a window or starts a worker).
BuilderState& BuilderStartUpState();

// Sets the builder folder from a program path: everything after the last
// backslash is cut off. False when the path has no backslash or is too long.
bool SetBuilderFolderFrom(const char* programPath);
