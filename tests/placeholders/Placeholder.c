#include <windows.h>

/* A placeholder for one of the skin engine's runtime libraries: packed and
   placed like the real one by the tests, never loaded for its code. */
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
