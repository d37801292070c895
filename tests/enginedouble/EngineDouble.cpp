// VelumoDll.dll as the tests see it: every export appends one line to the
// file named by the environment variable VELUMO_TRACE, with the call's name,
// its arguments and the calling thread, so a test can check order and
// arguments after the program has ended (EngineTrace.h reads it back).
// Loading and unloading are traced too.
#include "SkinEngineApi.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

HMODULE self;

void Trace(const char* format, ...)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("VELUMO_TRACE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    int used = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (used < 0)
        return;
    if (used >= int(sizeof line))
        used = sizeof line - 1;
    used += snprintf(line + used, sizeof line - used, " thread=%lu\n", GetCurrentThreadId());
    if (used >= int(sizeof line))
        used = sizeof line - 1;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, DWORD(used), &written, nullptr);
    CloseHandle(file);
}

bool Exists(const wchar_t* path)
{
    return path && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        char path[MAX_PATH] = {};
        GetModuleFileNameA(instance, path, MAX_PATH);
        Trace("Attach %s", path);
    } else if (reason == DLL_PROCESS_DETACH) {
        // A null reserved pointer means FreeLibrary, not the process ending.
        Trace("Detach %s", reserved ? "exit" : "free");
    }
    return TRUE;
}

int WINAPI InitDecoration(int mode)
{
    Trace("InitDecoration %d", mode);
    return 1;
}

int WINAPI LoadSkinFromFile(const wchar_t* skinPath)
{
    char path[2 * MAX_PATH] = {};
    if (skinPath)
        WideCharToMultiByte(CP_ACP, 0, skinPath, -1, path, sizeof path, nullptr, nullptr);
    Trace("LoadSkinFromFile %s exists=%d", path, Exists(skinPath) ? 1 : 0);
    return 1;
}

int WINAPI ApplySkin()
{
    Trace("ApplySkin");
    return 1;
}

int WINAPI DeInitDecoration()
{
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(self, own, MAX_PATH);
    Trace("DeInitDecoration engineFileExists=%d", Exists(own) ? 1 : 0);
    // As the engine answers when a window of another thread did not let go.
    return GetEnvironmentVariableA("VELUMO_DEINIT_FAILS", nullptr, 0) ? 0 : 1;
}

int WINAPI SetCustomSkinWnd(HWND window, const wchar_t* objectName, int flags)
{
    char name[256] = {};
    if (objectName)
        WideCharToMultiByte(CP_ACP, 0, objectName, -1, name, sizeof name, nullptr, nullptr);
    Trace("SetCustomSkinWnd %p %s %d", static_cast<void*>(window), name, flags);
    return 1;
}

int WINAPI AddAdditionalThread()
{
    Trace("AddAdditionalThread");
    return 1;
}

int WINAPI DeleteAdditionalThread()
{
    Trace("DeleteAdditionalThread");
    return 1;
}

} // extern "C"
