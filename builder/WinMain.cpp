#include "BuilderStartup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return RunBuilder(instance, commandLine);
}
