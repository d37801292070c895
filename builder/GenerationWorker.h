#pragma once

#include <windows.h>

#include "SetupGenerator.h"

#include <string>

// Sent to the main window when a generation worker is done; wParam 0 enables
// Create and Close again, nonzero disables them.
constexpr UINT UM_SETBUSY = 2439;

// Writes a setup program at outputPath: a copy of the builder folder's
// "Runlet.exe" with the icon file's images, followed by a package container
// that holds the archive of the MSI, the skin, the skin engine and the five
// runtime libraries. iconPath may be null or empty. The setup is finished
// and read back under a temporary name beside the output and then renamed
// over it: on failure no "temp.zip" and no temporary file is left behind,
// and a file already at outputPath is untouched. Shows nothing. On
// GenerateEntryRefused, refusedEntry (if given) receives the entry's name, on
// GenerateSkinRefused the skin's first fault.
GenerateResult GeneratePackageWithResult(const char* msiPath, const char* skinPath,
                                         const char* outputPath, const char* iconPath,
                                         std::string* refusedEntry = nullptr);


inline bool GeneratePackage(const char* msiPath, const char* skinPath, const char* outputPath,
                            const char* iconPath)
{
    return GeneratePackageWithResult(msiPath, skinPath, outputPath, iconPath) == GenerateDone;
}

// What one generation worker builds: its own copies of the four paths, taken
// when Create starts, so that browsing during a generation cannot change what
// is being written.
struct GenerationJob {
    HWND window;
    char msiPath[MAX_PATH];
    char skinPath[MAX_PATH];
    char outputPath[MAX_PATH];
    char iconPath[MAX_PATH];
};

// The generation worker of the main window. Its argument is a GenerationJob
// made with new, which the worker owns and deletes. Generates from the job's
// paths, tells the user the outcome in a message box owned by job->window and
// sends it UM_SETBUSY 0. Registers itself with the skin engine while it runs.
DWORD WINAPI GenerationThreadProc(LPVOID job);
