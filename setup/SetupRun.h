#pragma once

#include <windows.h>

class PackageFile;

// The setup's single run: unpacks the archive that `program` carries into a
// private temporary folder, applies the skin, installs the package with
// Windows Installer (or shows the usage box for /?), releases the skin engine
// and removes the temporary folder. Returns the process exit code: the
// installer's result when it ran, 0 after the usage box, otherwise one of
// the SetupExitCode values.
DWORD RunSetup(HINSTANCE instance, PackageFile& program, const char* commandLine);

// Restricts the DLL search of the process to the system folder where Windows
// supports that, so that no DLL beside the setup (a downloads folder) loads.
void RestrictDllSearch();
