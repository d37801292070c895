#include "WindowsInstaller.h"

#include "BoundedPath.h"

namespace {

constexpr DWORD kLogFatalExit = 1;  // INSTALLLOGMODE_FATALEXIT
// The setup's own lines are already in the file.
constexpr DWORD kLogAppend = 1;  // INSTALLLOGATTRIBUTES_APPEND

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
}

} // namespace

WindowsInstaller::~WindowsInstaller()
{
    if (module_)
        FreeLibrary(module_);
}

bool WindowsInstaller::Load(const char* systemFolder)
{
    char path[kMaxPath];
    if (!JoinPath(path, systemFolder, '\\', "msi.dll"))
        return false;
    module_ = LoadLibraryExA(path, nullptr, 0);
    if (!module_)
        return false;
    if (Resolve(module_, "MsiEnableLogA", enableLog_) &&
        Resolve(module_, "MsiSetInternalUI", setInternalUI_) &&
        Resolve(module_, "MsiInstallProductA", installProduct_))
        return true;
    FreeLibrary(module_);
    module_ = nullptr;
    return false;
}

UINT WindowsInstaller::Install(const char* packagePath, const char* logFile,
                               const char* properties, int uiLevel)
{
    if (logFile && *logFile)
        enableLog_(kLogFatalExit, logFile, kLogAppend);
    setInternalUI_(uiLevel, nullptr);
    return installProduct_(packagePath, properties ? properties : "");
}
