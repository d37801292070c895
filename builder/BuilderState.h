#pragma once

#include "SkinEngine.h"

#include <windows.h>

// What the builder keeps for the whole run. Start-up fills in the instance,
// the folder and the engine; the main window fills in the paths and the
// progress bar before it starts a generation worker, which works from its own
// copies of the paths and only reads the bar's handle.
struct BuilderState {
    HINSTANCE instance = nullptr;
    // The program's own folder, with its final backslash.
    char builderFolder[MAX_PATH] = "";
    // Bound in interactive mode only; every pointer stays null otherwise.
    SkinEngine engine;

    // The main window, owner of the builder's message boxes; null until it
    // is created.
    HWND mainWindow = nullptr;
    // The fields as Create last read them.
    char msiPath[MAX_PATH] = "";
    char skinPath[MAX_PATH] = "";
    char outputPath[MAX_PATH] = "";
    char iconPath[MAX_PATH] = "";
    // Receives progress while not null.
    HWND progressBar = nullptr;
};

extern BuilderState gBuilder;

// Copies text into a fixed buffer. False, with the buffer left empty, when
// the text would not fit: paths are never cut short silently.
bool CopyBounded(char* buffer, size_t size, const char* text);
// Appends text to what the buffer holds; false, buffer unchanged, when it
// would not fit.
bool AppendBounded(char* buffer, size_t size, const char* text);

// Sets builderFolder from a program path: everything after the last
// backslash is cut off. False when the path has no backslash or is too long.
bool SetBuilderFolderFrom(const char* programPath);
