#include "BuilderStartup.h"

#include "BuilderState.h"
#include "MainDialog.h"
#include "ProductName.h"
#include "SetupGenerator.h"
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
    const std::string skinArgument = switches.GetValue("s");
    GenerationRequest request;
    if (ResolveSkinArgument(skinArgument, gBuilder.builderFolder, request.skinPath) ==
        SkinArgumentResult::UnknownStock) {
        WriteErrorLine(UnknownStockSkinMessage(skinArgument, gBuilder.builderFolder));
        return GenerateInputMissing;
    }
    request.msiPath = switches.GetValue("m");
    request.outputPath = switches.GetValue("o");
    if (switches.HasValue("i"))
        request.iconPath = switches.GetValue("i");
    request.payloadFolder = gBuilder.builderFolder;
    // The archive is written in the builder folder, as it always was.
    request.archivePath = ArchivePathIn(request.payloadFolder);
    std::string detail;
    const GenerateResult result = GenerateSetup(request, detail);
    WriteErrorLine(GenerateFailureMessage(result, detail));
    return result;
}

int RunInteractive()
{
    BuilderState& state = BuilderStartUpState();
    char enginePath[kMaxPath];
    char skinPath[kMaxPath];
    // A folder too long for the engine's path runs the window unskinned.
    if (JoinPath(enginePath, state.builderFolder, '\0', kSkinEngineFileName) &&
        JoinPath(skinPath, state.builderFolder, '\0', kBuilderSkinName) &&
        SkinEngineLoad(state.engine, enginePath))
        SkinEngineApply(state.engine, skinPath);

    // The main window ends the process itself when it closes; this returns
    // only when the dialog could not be shown.
    ShowMainWindow();
    SkinEngineRelease(state.engine);
    return kBuilderExitOk;
}

} // namespace

int RunBuilder(HINSTANCE instance, const char* commandLine)
{
    BuilderStartUpState().instance = instance;
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
