#pragma once

#include <windows.h>

#include <string>

// Sent to the main window when a generation worker is done; wParam 0 enables
// Create and Close again, nonzero disables them.
constexpr UINT UM_SETBUSY = 2439;

// The outcome of one generation. Batch mode returns it as its exit code.
enum GenerateResult {
    GenerateDone = 0,
    GenerateArchiveFailed = 2,  // "temp.zip" cannot be created or written
    GenerateInputMissing = 3,   // the MSI or skin file is missing or unreadable
    GenerateLibraryMissing = 4, // a library is missing from the builder folder
    GenerateStubFailed = 5,     // "Runlet.exe" cannot be copied beside the output, or the
                                // finished setup cannot replace the output (locked)
    GenerateIconMalformed = 6,  // not an icon, no image, or shorter than it announces
    GenerateIconFailed = 7,     // the icon update began but did not complete
    GenerateAppendFailed = 8,   // the container could not be appended
    GeneratePathTooLong = 9,    // a path does not fit in MAX_PATH
    GenerateOutputIsInput = 11, // the output names a file that generation reads
    GenerateOutputNotAFile = 12, // the output names no plain file: a device (NUL, COM1),
                                 // a stream, or no file name
    GenerateCheckFailed = 13,   // the finished setup did not read back as the stub reads it
    GenerateEntryRefused = 14,  // an entry name that the setup would refuse
    GenerateTooLarge = 15,      // the setup would pass 4 GiB - 1, which its container cannot address
};

// Writes a setup program at outputPath: a copy of the builder folder's
// "Runlet.exe" with the icon file's images, followed by a package container
// that holds the archive of the MSI, the skin, the skin engine and the five
// runtime libraries. iconPath may be null or empty. The setup is finished
// and read back under a temporary name beside the output and then renamed
// over it: on failure no "temp.zip" and no temporary file is left behind,
// and a file already at outputPath is untouched. Shows nothing. On
// GenerateEntryRefused, refusedEntry (if given) receives the entry's name.
GenerateResult GeneratePackageWithResult(const char* msiPath, const char* skinPath,
                                         const char* outputPath, const char* iconPath,
                                         std::string* refusedEntry = nullptr);

// The text that tells the user which entry name the setup would refuse.
std::string RefusedEntryMessage(const std::string& entry);
// What a failure that the user can act on is, in words; empty for the rest,
// which the window reports as "Can't create zip file".
std::string GenerateFailureMessage(GenerateResult result, const std::string& refusedEntry);

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
