#include "GenerationWorker.h"

#include "ArchiveWriter.h"
#include "BuilderState.h"
#include "ProductName.h"

#include <commctrl.h>

#include <memory>
#include <string>

namespace {

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

DWORD WINAPI GenerationThreadProc(LPVOID parameter)
{
    std::unique_ptr<GenerationJob> job(static_cast<GenerationJob*>(parameter));
    HWND window = job->window;
    const SkinEngine& engine = gBuilder.engine;
    if (engine.AddAdditionalThread)
        engine.AddAdditionalThread();
    ProgressBarSink bar(job->progressBar);
    if (job->progressBar)
        job->request.progress = &bar;
    std::string detail;
    const GenerateResult result = GenerateSetup(job->request, detail);
    const std::string text = GenerateWindowText(result, detail);
    // On success the buttons stay disabled until the user has read the
    // message; on failure they come back before it.
    if (result == GenerateDone)
        MessageBoxA(window, text.c_str(), kProductCaption, MB_OK);
    if (engine.DeleteAdditionalThread)
        engine.DeleteAdditionalThread();
    SendMessageA(window, UM_SETBUSY, 0, 0);
    if (result != GenerateDone)
        MessageBoxA(window, text.c_str(), kProductCaption, MB_OK);
    return 0;
}
