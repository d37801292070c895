#include "BuilderStartup.h"

#include "BuilderState.h"
#include "MainDialog.h"
#include "PackageGenerator.h"
#include "ProductName.h"
#include "StockSkins.h"
#include "SwitchParser.h"

#include <string>

const char kBuilderUsage[] = "Usage:\n"
                             "   /? - Show this dialog.\n"
                             "   /m:<full path to an existing MSI file>.\n"
                             "   /s:<full path to a skin file>.\n"
                             "   /i:<full path to a ICO file>.\n"
                             "   /o:<full path to an output file>.\n";

namespace {

constexpr char kBuilderSkinName[] = "Ornix.skf";

// Batch mode shows nothing; a build tool that captures standard error gets
// told what to change.
void WriteErrorLine(const std::string& message)
{
    HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    if (message.empty() || !errors || errors == INVALID_HANDLE_VALUE)
        return;
    const std::string line = message + "\r\n";
    DWORD written = 0;
    WriteFile(errors, line.data(), DWORD(line.size()), &written, nullptr);
}

int RunBatch(const SwitchParser& switches)
{
    const char* iconPath = switches.HasValue("i") ? switches.GetValue("i") : nullptr;
    const std::string skinArgument = switches.GetValue("s");
    std::string skinPath;
    if (ResolveSkinArgument(skinArgument, gBuilder.builderFolder, skinPath) ==
        SkinArgumentResult::UnknownStock) {
        WriteErrorLine(UnknownStockSkinMessage(skinArgument, gBuilder.builderFolder));
        return GenerateInputMissing;
    }
    std::string detail;
    const GenerateResult result =
        GeneratePackageWithResult(switches.GetValue("m"), skinPath.c_str(),
                                  switches.GetValue("o"), iconPath, &detail);
    WriteErrorLine(GenerateFailureMessage(result, detail));
    return result;
}

int RunInteractive()
{
    char enginePath[MAX_PATH];
    char skinPath[MAX_PATH];
    // A folder too long for the engine's path runs the window unskinned.
    if (CopyBounded(enginePath, sizeof enginePath, gBuilder.builderFolder) &&
        AppendBounded(enginePath, sizeof enginePath, kSkinEngineFileName) &&
        CopyBounded(skinPath, sizeof skinPath, gBuilder.builderFolder) &&
        AppendBounded(skinPath, sizeof skinPath, kBuilderSkinName) &&
        SkinEngineLoad(gBuilder.engine, enginePath))
        SkinEngineApply(gBuilder.engine, skinPath);

    // The main window ends the process itself when it closes; this returns
    // only when the dialog could not be shown.
    ShowMainWindow();
    SkinEngineRelease(gBuilder.engine);
    return kBuilderExitOk;
}

} // namespace

int RunBuilder(HINSTANCE instance, const char* commandLine)
{
    gBuilder.instance = instance;
    char programPath[MAX_PATH];
    DWORD length = GetModuleFileNameA(instance, programPath, sizeof programPath);
    if (length == 0 || length >= sizeof programPath || !SetBuilderFolderFrom(programPath))
        return kBuilderExitNoFolder;

    SwitchParser switches(nullptr, false);
    switches.Parse(commandLine);
    if (switches.HasSwitch("?")) {
        MessageBoxA(nullptr, kBuilderUsage, kProductCaption, MB_ICONINFORMATION);
        return kBuilderExitOk;
    }
    if (switches.HasValue("m") && switches.HasValue("o") && switches.HasValue("s"))
        return RunBatch(switches);
    return RunInteractive();
}
