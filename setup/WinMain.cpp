#include "PackageFile.h"
#include "SetupRun.h"

// Stands for this program's own file from static initialisation on.
PackageFile setupProgram;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    RestrictDllSearch();
    return int(RunSetup(instance, setupProgram, commandLine));
}
