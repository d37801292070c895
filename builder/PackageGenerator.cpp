#include "PackageGenerator.h"

#include "ArchiveWriter.h"
#include "BuilderState.h"
#include "IconFile.h"
#include "PackageFile.h"

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
    "VelumoDll.dll", "gdiplus.dll", "mfc71.dll", "MSVCR71.DLL", "msvcrt.dll", "msvcp71.dll",
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

GenerateResult EntryFailure(ArchiveWriter::AddResult result, GenerateResult unreadable)
{
    return result == ArchiveWriter::SourceUnreadable ? unreadable : GenerateArchiveFailed;
}

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

    {
        ArchiveWriter archive;
        if (!archive.Create(archivePath))
            return GenerateArchiveFailed;
        ArchiveWriter::AddResult added = archive.Add(msiPath, msiName, gBuilder.progressBar);
        if (added != ArchiveWriter::Added)
            return EntryFailure(added, GenerateInputMissing);
        added = archive.Add(skinPath, skinName, gBuilder.progressBar);
        if (added != ArchiveWriter::Added)
            return EntryFailure(added, GenerateInputMissing);
        for (const char* library : kLibraries) {
            char libraryPath[MAX_PATH];
            if (!InBuilderFolder(libraryPath, library))
                return GeneratePathTooLong;
            added = archive.Add(libraryPath, library, gBuilder.progressBar);
            if (added != ArchiveWriter::Added)
                return EntryFailure(added, GenerateLibraryMissing);
        }
        // An archive without its central directory would unpack as nothing.
        if (!archive.Close())
            return GenerateArchiveFailed;
    }

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
