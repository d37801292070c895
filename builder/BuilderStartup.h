#pragma once

#include <windows.h>

// Exit code of usage mode and of interactive mode.
constexpr int kBuilderExitOk = 0;
// Exit code when the builder cannot work out its own folder.
constexpr int kBuilderExitNoFolder = 10;

// The builder's run after WinMain: works out the builder folder, parses the
// command line and shows the usage box, generates a package in batch mode
// (/m, /s and /o with values, optional /i), or binds the skin engine and
// shows the main window. Batch mode returns the generation's GenerateResult.
int RunBuilder(HINSTANCE instance, const char* commandLine);

// The text of the usage box.
extern const char kBuilderUsage[];
