#pragma once

#include <windows.h>

#include "SetupGenerator.h"

// Sent to the main window when a generation worker is done; wParam 0 enables
// Create and Close again, nonzero disables them.
constexpr UINT UM_SETBUSY = 2439;

// What one generation worker builds, made from the window's fields when
// Create is pressed. The request holds its own copies of the paths, so that
// browsing during a generation cannot change what is being written.
struct GenerationJob {
    HWND window = nullptr;       // told the outcome, and owner of its message box
    HWND progressBar = nullptr;  // receives each entry's progress while not null
    GenerationRequest request;
};

// The generation worker of the main window. Its argument is a GenerationJob
// made with new, which the worker owns and deletes. Generates the job's
// request, tells the user the outcome in a message box owned by job->window
// and sends it UM_SETBUSY 0. Registers itself with the skin engine while it
// runs.
DWORD WINAPI GenerationThreadProc(LPVOID job);
