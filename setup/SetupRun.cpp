#include "SetupRun.h"

#include "PackageFile.h"
#include "PrivateTempFolder.h"
#include "SetupExitCode.h"
#include "SetupState.h"
#include "SkinEngine.h"
#include "StatusWindow.h"
#include "SwitchParser.h"
#include "Unpacker.h"
#include "WindowsInstaller.h"

namespace {

const char kCaption[] = "Velumo Installer";
const char kUsage[] =
    "Usage:\n"
    "   /? - Show this dialog.\n"
    "   /l:<full path to a log file>.\n"
    "   /p:<string that specifies the command line property settings. This should be a list of "
    "the format \"Property=Setting Property=Setting\">.\n";

// Folders, status window, archive copy and unpacking. Returns 0 or the exit
// code that ends the run.
DWORD Unpack(HINSTANCE instance, PackageFile& program, PrivateTempFolder& temp,
             SetupState& state)
{
    const UINT systemLength = GetSystemDirectoryA(state.systemFolder, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH)
        return SetupExitNoInstaller;

    // Closes on return, however unpacking ended, before the skin and the
    // installer's windows appear.
    StatusWindow status(instance);
    if (!temp.Create())
        return SetupExitCannotWrite;
    lstrcpynA(state.tempFolder, temp.path(), MAX_PATH);

    switch (program.ExtractContainer(state.tempFolder, state.archiveFile, MAX_PATH)) {
    case ExtractDone:
        break;
    case ExtractCannotCreateOutput:
        return SetupExitCannotWrite;
    default:
        return SetupExitNoContainer;
    }
    return UnpackArchive(state, status);
}

void DeleteUnpackedFiles(SetupState& state, PrivateTempFolder& temp)
{
    for (const UnpackEntry& entry : state.entries) {
        if (entry.deleteAfterwards)
            DeleteFileA(entry.filePath);
    }
    state.entries.clear();
    if (state.archiveFile[0])
        DeleteFileA(state.archiveFile);
    temp.Remove();
}

DWORD InstallOrShowUsage(const SetupState& state, const char* commandLine)
{
    SwitchParser switches(nullptr, false);
    switches.Parse(commandLine ? commandLine : "");
    if (switches.HasSwitch("?")) {
        MessageBoxA(nullptr, kUsage, kCaption, MB_OK | MB_ICONINFORMATION);
        return SetupExitUsageShown;
    }
    WindowsInstaller installer;
    if (!installer.Load(state.systemFolder))
        return SetupExitNoInstaller;
    return installer.Install(state.entries[state.packageIndex].filePath, switches);
}

} // namespace

DWORD RunSetup(HINSTANCE instance, PackageFile& program, const char* commandLine)
{
    SetupState state;
    PrivateTempFolder temp;
    DWORD result = Unpack(instance, program, temp, state);
    // Without a package there is nothing to install, and no other entry is
    // taken for it or loaded as the engine.
    if (!result && state.packageIndex < 0)
        result = SetupExitNoPackage;
    if (!result) {
        // A skin engine without a skin has nothing to apply: run unskinned.
        SkinEngine engine;
        if (state.engineIndex >= 0 && state.skinIndex >= 0 &&
            SkinEngineLoad(engine, state.entries[state.engineIndex].filePath))
            SkinEngineApply(engine, state.entries[state.skinIndex].filePath);
        result = InstallOrShowUsage(state, commandLine);
        // Released before the deletions: a loaded library's file cannot be
        // deleted.
        SkinEngineRelease(engine);
    }
    DeleteUnpackedFiles(state, temp);
    return result;
}

void RestrictDllSearch()
{
    // Looked up at run time: older Windows without the update lacks it, and
    // importing it would keep the setup from starting there at all.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDirectories)
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else
        SetDllDirectoryA("");  // at least drop the current folder from the search
}
