#include "PackageGenerator.h"

#include "ArchiveWriter.h"
#include "BuilderState.h"
#include "IconFile.h"
#include "PackageFile.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <string.h>

#include <memory>

namespace {

constexpr char kArchiveName[] = "temp.zip";
constexpr char kStubName[] = "Runlet.exe";
constexpr char kCaption[] = "Velumo Installer";

// The skin engine and the five runtime libraries it needs, taken from the
// builder folder and stored under exactly these names.
constexpr const char* kLibraries[] = {
    kSkinEngineFileName, "gdiplus.dll", "mfc71.dll", "MSVCR71.DLL", "msvcrt.dll", "msvcp71.dll",
};

bool InBuilderFolder(char (&path)[MAX_PATH], const char* name)
{
    return CopyBounded(path, sizeof path, gBuilder.builderFolder) &&
           AppendBounded(path, sizeof path, name);
}

bool FileNamePart(char (&name)[MAX_PATH], const char* path)
{
    if (!CopyBounded(name, sizeof name, path))
        return false;
    PathStripPathA(name);
    return true;
}

// True when both paths name one existing file, whatever their spelling.
bool SameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    auto identify = [](const char* path, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        bool known = GetFileInformationByHandle(file, &info) != 0;
        CloseHandle(file);
        return known;
    };
    return identify(a, infoA) && identify(b, infoB) &&
           infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

// Writing the output over a file that generation reads would destroy it: the
// MSI, the skin, the icon, or the stub and libraries of the builder folder.
bool OutputIsInput(const char* outputPath, const char* msiPath, const char* skinPath,
                   const char* iconPath)
{
    if (GetFileAttributesA(outputPath) == INVALID_FILE_ATTRIBUTES)
        return false;
    if (SameFile(outputPath, msiPath) || SameFile(outputPath, skinPath) ||
        (iconPath && *iconPath && SameFile(outputPath, iconPath)))
        return true;
    char builderFile[MAX_PATH];
    if (InBuilderFolder(builderFile, kStubName) && SameFile(outputPath, builderFile))
        return true;
    for (const char* library : kLibraries) {
        if (InBuilderFolder(builderFile, library) && SameFile(outputPath, builderFile))
            return true;
    }
    return false;
}

GenerateResult EntryFailure(ArchiveWriter::AddResult result, GenerateResult unreadable)
{
    return result == ArchiveWriter::SourceUnreadable ? unreadable : GenerateArchiveFailed;
}

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

// Everything from the archive to the finished output. The caller removes
// "temp.zip" whatever happens, so every return here may leave it behind.
GenerateResult Generate(const char* archivePath, const char* msiPath, const char* skinPath,
                        const char* outputPath, const char* iconPath)
{
    char msiName[MAX_PATH];
    char skinName[MAX_PATH];
    char stubPath[MAX_PATH];
    if (!FileNamePart(msiName, msiPath) || !FileNamePart(skinName, skinPath) ||
        !InBuilderFolder(stubPath, kStubName) || strlen(outputPath) >= MAX_PATH ||
        (iconPath && strlen(iconPath) >= MAX_PATH))
        return GeneratePathTooLong;
    if (OutputIsInput(outputPath, msiPath, skinPath, iconPath))
        return GenerateOutputIsInput;

    {
        ProgressBarSink bar(gBuilder.progressBar);
        ProgressSink* progress = gBuilder.progressBar ? &bar : nullptr;
        ArchiveWriter archive;
        if (!archive.Create(archivePath))
            return GenerateArchiveFailed;
        ArchiveWriter::AddResult added = archive.Add(msiPath, msiName, progress);
        if (added != ArchiveWriter::Added)
            return EntryFailure(added, GenerateInputMissing);
        added = archive.Add(skinPath, skinName, progress);
        if (added != ArchiveWriter::Added)
            return EntryFailure(added, GenerateInputMissing);
        for (const char* library : kLibraries) {
            char libraryPath[MAX_PATH];
            if (!InBuilderFolder(libraryPath, library))
                return GeneratePathTooLong;
            added = archive.Add(libraryPath, library, progress);
            if (added != ArchiveWriter::Added)
                return EntryFailure(added, GenerateLibraryMissing);
        }
        // An archive without its central directory would unpack as nothing.
        if (!archive.Close())
            return GenerateArchiveFailed;
    }
    if (SameFile(outputPath, archivePath))
        return GenerateOutputIsInput;

    // The icon file is read and checked before the output is touched, so a
    // damaged one leaves any existing output as it was.
    IconFile icon;
    IconFile::LoadResult iconLoaded = IconFile::CannotOpen;
    if (iconPath && *iconPath) {
        iconLoaded = icon.Load(iconPath);
        if (iconLoaded == IconFile::Malformed)
            return GenerateIconMalformed;
    }

    if (!CopyFileA(stubPath, outputPath, FALSE)) {
        // A failed copy may have left part of the stub behind.
        DeleteFileA(outputPath);
        return GenerateStubFailed;
    }
    if (iconLoaded == IconFile::Loaded &&
        ReplaceIconImages(outputPath, icon.images()) == IconUpdateResult::Failed) {
        DeleteFileA(outputPath);
        return GenerateIconFailed;
    }
    // A stub that already ends with a container (code 2) would leave the
    // output without this package's archive: that is a failure too.
    PackageFile output(outputPath);
    if (output.AppendContainer(archivePath) != AppendDone) {
        DeleteFileA(outputPath);
        return GenerateAppendFailed;
    }
    return GenerateDone;
}

} // namespace

GenerateResult GeneratePackageWithResult(const char* msiPath, const char* skinPath,
                                         const char* outputPath, const char* iconPath)
{
    if (!msiPath || !skinPath || !outputPath)
        return GenerateInputMissing;
    char archivePath[MAX_PATH];
    if (!InBuilderFolder(archivePath, kArchiveName))
        return GeneratePathTooLong;
    GenerateResult result = Generate(archivePath, msiPath, skinPath, outputPath, iconPath);
    DeleteFileA(archivePath);
    return result;
}

DWORD WINAPI GenerationThreadProc(LPVOID parameter)
{
    std::unique_ptr<GenerationJob> job(static_cast<GenerationJob*>(parameter));
    HWND window = job->window;
    const SkinEngine& engine = gBuilder.engine;
    if (engine.AddAdditionalThread)
        engine.AddAdditionalThread();
    const bool generated =
        GeneratePackage(job->msiPath, job->skinPath, job->outputPath, job->iconPath);
    // On success the buttons stay disabled until the user has read the
    // message; on failure they come back before it.
    if (generated)
        MessageBoxA(window, "Generated Successfully", kCaption, MB_OK);
    if (engine.DeleteAdditionalThread)
        engine.DeleteAdditionalThread();
    SendMessageA(window, UM_SETBUSY, 0, 0);
    if (!generated)
        MessageBoxA(window, "Can't create zip file", kCaption, MB_OK);
    return 0;
}
