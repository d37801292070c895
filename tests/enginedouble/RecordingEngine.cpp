#include "SkinEngineApi.h"

#include <stdio.h>
#include <string.h>

// A skin engine double for the builder's tests: each export appends its name
// and arguments as one line to "engine-calls.txt" beside the library, so a
// test can read back which calls a builder process made, in order.
namespace {

HMODULE gSelf;

void Append(const char* line)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(gSelf, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* slash = strrchr(path, '\\');
    if (!slash || slash + 1 + sizeof "engine-calls.txt" > path + MAX_PATH)
        return;
    strcpy(slash + 1, "engine-calls.txt");
    FILE* log = fopen(path, "ab");
    if (!log)
        return;
    fprintf(log, "%s\n", line);
    fclose(log);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        gSelf = instance;
    return TRUE;
}

VELUMO_SKIN_EXPORT int WINAPI InitDecoration(int mode)
{
    char line[64];
    snprintf(line, sizeof line, "InitDecoration %d", mode);
    Append(line);
    return 1;
}

VELUMO_SKIN_EXPORT int WINAPI LoadSkinFromFile(const wchar_t* skinPath)
{
    char line[2 * MAX_PATH];
    char path[MAX_PATH * 2] = "";
    WideCharToMultiByte(CP_ACP, 0, skinPath, -1, path, sizeof path, nullptr, nullptr);
    snprintf(line, sizeof line, "LoadSkinFromFile %s", path);
    Append(line);
    return 1;
}

VELUMO_SKIN_EXPORT int WINAPI ApplySkin()
{
    Append("ApplySkin");
    return 1;
}

VELUMO_SKIN_EXPORT int WINAPI DeInitDecoration()
{
    Append("DeInitDecoration");
    return 1;
}

VELUMO_SKIN_EXPORT int WINAPI SetCustomSkinWnd(HWND, const wchar_t* objectName, int flags)
{
    char line[128];
    char name[64] = "";
    WideCharToMultiByte(CP_ACP, 0, objectName, -1, name, sizeof name, nullptr, nullptr);
    snprintf(line, sizeof line, "SetCustomSkinWnd %s %d", name, flags);
    Append(line);
    return 1;
}

VELUMO_SKIN_EXPORT int WINAPI AddAdditionalThread()
{
    Append("AddAdditionalThread");
    return 1;
}

VELUMO_SKIN_EXPORT int WINAPI DeleteAdditionalThread()
{
    Append("DeleteAdditionalThread");
    return 1;
}
