#include "PackageGenerator.h"

#include "ArchiveWriter.h"
#include "BuilderState.h"
#include "ProductName.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

#include <memory>

namespace {

constexpr char kArchiveName[] = "temp.zip";

// Shows each entry's progress on the window's progress bar, 0 to 100.
class ProgressBarSink : public ProgressSink {
public:
    explicit ProgressBarSink(HWND bar) : bar_(bar) {}
    void EntryBegun() override
    {
        SendMessageA(bar_, PBM_SETRANGE32, 0, 100);
        SendMessageA(bar_, PBM_SETPOS, 0, 0);
    }
    void EntryProgress(int percent) override { SendMessageA(bar_, PBM_SETPOS, WPARAM(percent), 0); }

private:
    HWND bar_;
};

} // namespace

GenerateResult GeneratePackageWithResult(const char* msiPath, const char* skinPath,
                                         const char* outputPath, const char* iconPath,
                                         std::string* refusedEntry)
{
    ProgressBarSink bar(gBuilder.progressBar);
    GenerationRequest request;
    request.msiPath = msiPath;
    request.skinPath = skinPath;
    request.outputPath = outputPath;
    request.iconPath = iconPath;
    request.payloadFolder = gBuilder.builderFolder;
    // The archive is written in the builder folder, as it always was.
    request.archivePath = request.payloadFolder + kArchiveName;
    request.progress = gBuilder.progressBar ? &bar : nullptr;
    std::string refused;
    const GenerateResult result = GenerateSetup(request, refused);
    if (refusedEntry)
        *refusedEntry = refused;
    return result;
}

DWORD WINAPI GenerationThreadProc(LPVOID parameter)
{
    std::unique_ptr<GenerationJob> job(static_cast<GenerationJob*>(parameter));
    HWND window = job->window;
    const SkinEngine& engine = gBuilder.engine;
    if (engine.AddAdditionalThread)
        engine.AddAdditionalThread();
    std::string refusedEntry;
    const GenerateResult result = GeneratePackageWithResult(job->msiPath, job->skinPath,
                                                            job->outputPath, job->iconPath,
                                                            &refusedEntry);
    const bool generated = result == GenerateDone;
    // On success the buttons stay disabled until the user has read the
    // message; on failure they come back before it.
    if (generated)
        MessageBoxA(window, "Generated Successfully", kProductCaption, MB_OK);
    if (engine.DeleteAdditionalThread)
        engine.DeleteAdditionalThread();
    SendMessageA(window, UM_SETBUSY, 0, 0);
    const std::string message = GenerateFailureMessage(result, refusedEntry);
    if (!message.empty())
        MessageBoxA(window, message.c_str(), kProductCaption, MB_OK);
    else if (!generated)
        MessageBoxA(window, "Can't create zip file", kProductCaption, MB_OK);
    return 0;
}
