#include "SetupRun.h"

#include "Extraction.h"
#include "PackageFile.h"
#include "PrivateTempFolder.h"
#include "ProductName.h"
#include "SetupExitCode.h"
#include "SetupLog.h"
#include "SetupOptions.h"
#include "SetupState.h"
#include "SkinEngine.h"
#include "StatusWindow.h"
#include "Unpacker.h"
#include "WindowsInstaller.h"

#include <string>

namespace {

const char kUsage[] =
    "Usage:\n"
    "   /? - Show this dialog.\n"
    "   /l:<full path to a log file>.\n"
    "   /p:<string that specifies the command line property settings. This should be a list of "
    "the format \"Property=Setting Property=Setting\">.\n"
    "   /q or /quiet - Install without any window.\n"
    "   /passive - Install showing progress only, asking nothing.\n"
    "   /x:<folder> or /extract:<folder> - Write the package's files into the folder; install "
    "nothing.\n"
    "   /norestart - Do not restart the computer; exit code 3010 still tells that a restart is "
    "needed.\n"
    "   NAME=value - A property setting for the installation (\"NAME=value with spaces\").\n";

void LogOptions(SetupLog& log, const SetupOptions& options)
{
    std::string seen;
    for (const std::string& typed : options.switches)
        seen += " " + typed;
    log.Write("switches:%s", seen.empty() ? " none" : seen.c_str());
    for (const std::string& property : options.propertyArguments)
        log.Write("property argument: %s", property.c_str());
    for (const std::string& ignored : options.ignored)
        log.Write("ignored argument: %s", ignored.c_str());
}

// Folders, status window, archive copy and unpacking. Returns 0 or the exit
// code that ends the run.
DWORD Unpack(HINSTANCE instance, PackageFile& program, const SetupOptions& options,
             PrivateTempFolder& temp, SetupState& state, SetupLog& log)
{
    const UINT systemLength = GetSystemDirectoryA(state.systemFolder, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH) {
        log.Write("the system folder cannot be found");
        return SetupExitNoInstaller;
    }

    // Closes on return, however unpacking ended, before the skin and the
    // installer's windows appear.
    StatusWindow status(instance, !options.quiet);
    if (!temp.Create()) {
        log.Write("no private folder can be created in the temporary folder (error %lu)",
                  GetLastError());
        return SetupExitCannotWrite;
    }
    lstrcpynA(state.tempFolder, temp.path(), MAX_PATH);
    log.Write("private folder: %s", state.tempFolder);

    const int extracted = program.ExtractContainer(state.tempFolder, state.archiveFile, MAX_PATH);
    switch (extracted) {
    case ExtractDone:
        log.Write("package container found in %s, archive copied to %s", program.path(),
                  state.archiveFile);
        break;
    case ExtractCannotCreateOutput:
        log.Write("the archive cannot be copied out of %s into the private folder",
                  program.path());
        return SetupExitCannotWrite;
    default:
        log.Write("no readable package container in %s (check %d failed)", program.path(),
                  extracted);
        return SetupExitNoContainer;
    }
    // Extraction writes every entry to the administrator's folder, so
    // nothing may go into the system folder.
    state.placeLibraries = !options.extract;
    state.movesHeldFiles = options.extract;
    return UnpackArchive(state, status, log);
}

void DeleteUnpackedFiles(SetupState& state, PrivateTempFolder& temp)
{
    // A held file cannot be deleted.
    state.held.clear();
    for (const UnpackEntry& entry : state.entries) {
        if (entry.deleteAfterwards)
            DeleteFileA(entry.filePath);
    }
    state.entries.clear();
    if (state.archiveFile[0])
        DeleteFileA(state.archiveFile);
    temp.Remove();
}

DWORD Install(const SetupState& state, const SetupOptions& options, SetupLog& log)
{
    WindowsInstaller installer;
    if (!installer.Load(state.systemFolder)) {
        log.Write("msi.dll or one of its functions cannot be loaded from %s",
                  state.systemFolder);
        return SetupExitNoInstaller;
    }
    const std::string properties = InstallerProperties(options);
    const int uiLevel = InstallerUiLevel(options);
    const char* package = state.entries[state.packageIndex].filePath;
    log.Write("installing %s, user interface level 0x%X, properties: %s", package,
              unsigned(uiLevel), properties.c_str());
    const UINT result = installer.Install(
        package, log.active() ? options.logFile.c_str() : nullptr, properties.c_str(), uiLevel);
    log.KeepOwnLines();
    log.Write("Windows Installer returned %u", result);
    return result;
}

// Skin, then the usage box or the installation, then the skin's release.
DWORD InstallOrShowUsage(const SetupState& state, const SetupOptions& options, SetupLog& log)
{
    // A quiet run has no window to skin.
    SkinEngine engine;
    if (options.quiet) {
        log.Write("quiet: no skin");
    } else if (state.engineIndex < 0 || state.skinIndex < 0) {
        // A skin engine without a skin has nothing to apply: run unskinned.
        log.Write("no skin: the archive lacks %s", state.engineIndex < 0 ? "the engine" : "a skin");
    } else if (!SkinEngineLoad(engine, state.entries[state.engineIndex].filePath)) {
        log.Write("no skin: the engine %s cannot be loaded or lacks an export (error %lu)",
                  state.entries[state.engineIndex].filePath, GetLastError());
    } else {
        SkinEngineApply(engine, state.entries[state.skinIndex].filePath);
        log.Write("skin %s applied", state.entries[state.skinIndex].filePath);
    }

    DWORD result = SetupExitUsageShown;
    if (options.showUsage) {
        if (!options.quiet)
            MessageBoxA(nullptr, kUsage, kProductCaption, MB_OK | MB_ICONINFORMATION);
    } else {
        result = Install(state, options, log);
    }
    // Released before the deletions: a loaded library's file cannot be
    // deleted.
    if (engine.loaded() && !SkinEngineRelease(engine))
        log.Write("the engine did not let go of every window; it stays loaded");
    return result;
}

} // namespace

DWORD RunSetup(HINSTANCE instance, PackageFile& program, const char* commandLine)
{
    const SetupOptions options = ReadSetupOptions(commandLine);
    SetupLog log;
    log.Open(options.logFile.c_str());
    LogOptions(log, options);

    SetupState state;
    PrivateTempFolder temp;
    DWORD result = 0;
    if (options.extract && options.extractFolder.empty()) {
        log.Write("/x names no folder");
        result = SetupExitBadSwitch;
    } else {
        result = Unpack(instance, program, options, temp, state, log);
    }
    // Without a package there is nothing to install, and no other entry is
    // taken for it or loaded as the engine.
    if (!result && state.packageIndex < 0) {
        log.Write("the archive holds no .msi package");
        result = SetupExitNoPackage;
    }
    if (!result && options.extract && !options.showUsage)
        result = ExtractEntries(state, options.extractFolder.c_str(), log);
    else if (!result)
        result = InstallOrShowUsage(state, options, log);
    DeleteUnpackedFiles(state, temp);
    log.Write("exit code %lu", result);
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
