// A library with the skin engine's statically linked C++ runtime and no work
// of its own. SkinEngineReleaseTest loads and frees it as often as the engine:
// whatever the runtime leaves behind on each unload shows in its rounds, and
// that is all the engine's rounds may leave.
#include <windows.h>

#include <string>

namespace __gnu_cxx {
void __freeres() noexcept;
}

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // The runtime's reserve for exceptions can be handed back on unload, and
    // the engine does so; only what cannot be handed back may count as the
    // runtime's share.
    if (reason == DLL_PROCESS_DETACH && !reserved)
        __gnu_cxx::__freeres();
    return TRUE;
}

// A string made on the heap and measured: the code that may throw links in the
// runtime's exception support, which is what takes memory as a library loads.
__declspec(dllexport) int ControlLength(const char* text)
{
    return static_cast<int>(std::string(text).size());
}

} // extern "C"
