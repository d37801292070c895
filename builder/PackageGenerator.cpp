#include "PackageGenerator.h"

#include "ArchiveWriter.h"
#include "BuilderState.h"
#include "EntryRules.h"
#include "IconFile.h"
#include "PackageFile.h"
#include "SetupCheck.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

#include <memory>

namespace {

constexpr char kArchiveName[] = "temp.zip";
constexpr char kStubName[] = "Runlet.exe";
constexpr char kCaption[] = "Velumo Installer";
// The stub's icon group, rewritten to describe the icon file's images.
constexpr WORD kStubIconGroup = 105;

// The skin engine and the five runtime libraries it needs, taken from the
// builder folder and stored under exactly these names.
constexpr const char* kLibraries[] = {
    kSkinEngineFileName, "gdiplus.dll", "mfc71.dll", "MSVCR71.DLL", "msvcrt.dll", "msvcp71.dll",
};
// The MSI, the skin and the libraries.
constexpr size_t kEntryCount = 2 + sizeof kLibraries / sizeof kLibraries[0];

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

// False for a file that is no program carrying the container reader: the
// stub keeps the marker in its constant data. A file that cannot be read is
// left to the copy, which reports it.
bool HoldsContainerReader(const char* stubPath)
{
    FILE* file = fopen(stubPath, "rb");
    if (!file)
        return true;
    std::string bytes;
    char block[64 * 1024];
    size_t count;
    while ((count = fread(block, 1, sizeof block, file)) > 0)
        bytes.append(block, count);
    const bool read = !ferror(file);
    fclose(file);
    return read && bytes.compare(0, 2, "MZ") == 0 &&
           bytes.find(std::string(kContainerMarker, kContainerMarkerLength)) != std::string::npos;
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

// An output that names a device (NUL, COM1, "\\.\..."), an alternate data
// stream ("setup.exe:x") or a name Windows would store differently (a
// trailing dot or space) would never hold the setup where the packager
// looks for it. Its file name part must pass the rules for entry names.
bool OutputIsPlainFile(const char* outputPath)
{
    if (!strncmp(outputPath, "\\\\.\\", 4) || !strncmp(outputPath, "\\\\?\\", 4))
        return false;
    const char* name = outputPath;
    for (const char* p = outputPath; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || (*p == ':' && p == outputPath + 1))
            name = p + 1;
    }
    return IsSafeEntryName(name, 0);
}

// The finished setup is written under a temporary name beside the output and
// only renamed over it when every step has succeeded, so that a failure
// leaves the packager's existing file as it was. Removes the file unless
// Commit succeeded.
class PendingOutput {
public:
    PendingOutput() { path_[0] = '\0'; }
    ~PendingOutput()
    {
        if (path_[0]) {
            SetFileAttributesA(path_, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path_);
        }
    }
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Creates an empty file with a unique name in the output's folder.
    bool Create(const char* outputPath)
    {
        char full[MAX_PATH];
        char* namePart = nullptr;
        const DWORD length = GetFullPathNameA(outputPath, sizeof full, full, &namePart);
        if (length == 0 || length >= sizeof full || !namePart)
            return false;
        *namePart = '\0';
        if (GetTempFileNameA(full, "vlm", 0, path_))
            return true;
        path_[0] = '\0';
        return false;
    }

    // Copies the stub over the empty file. The copy must be writable for the
    // icon update and the container even when the stub file is read-only.
    bool CopyStub(const char* stubPath)
    {
        return CopyFileA(stubPath, path_, FALSE) && SetFileAttributesA(path_, FILE_ATTRIBUTE_NORMAL);
    }
    const char* path() const { return path_; }

    bool Commit(const char* outputPath)
    {
        // A read-only output is one the packager protected; not every file
        // system refuses to replace it.
        const DWORD attributes = GetFileAttributesA(outputPath);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return false;
        if (!MoveFileExA(path_, outputPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return false;
        path_[0] = '\0';
        return true;
    }

private:
    char path_[MAX_PATH];
};

// Everything from the archive to the finished output. The caller removes
// "temp.zip" whatever happens, so every return here may leave it behind.
GenerateResult Generate(const char* archivePath, const char* msiPath, const char* skinPath,
                        const char* outputPath, const char* iconPath, std::string& refusedEntry)
{
    char msiName[MAX_PATH];
    char skinName[MAX_PATH];
    char stubPath[MAX_PATH];
    if (!FileNamePart(msiName, msiPath) || !FileNamePart(skinName, skinPath) ||
        !InBuilderFolder(stubPath, kStubName) || strlen(outputPath) >= MAX_PATH ||
        (iconPath && strlen(iconPath) >= MAX_PATH))
        return GeneratePathTooLong;
    if (!OutputIsPlainFile(outputPath))
        return GenerateOutputNotAFile;
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
    // The inputs are known to be readable now, so a name the setup would
    // refuse is the problem to report; the read-back below checks again.
    for (const char* name : {msiName, skinName}) {
        if (!IsUsableEntryName(name)) {
            refusedEntry = name;
            return GenerateEntryRefused;
        }
    }

    IconFile icon;
    IconFile::LoadResult iconLoaded = IconFile::CannotOpen;
    if (iconPath && *iconPath) {
        iconLoaded = icon.Load(iconPath);
        if (iconLoaded == IconFile::Malformed)
            return GenerateIconMalformed;
    }

    PendingOutput pending;
    // Any program file would take a container; only a stub can read it back
    // on the user's machine.
    if (!HoldsContainerReader(stubPath))
        return GenerateCheckFailed;
    if (!pending.Create(outputPath) || !pending.CopyStub(stubPath))
        return GenerateStubFailed;
    if (iconLoaded == IconFile::Loaded &&
        ReplaceIcons(pending.path(), icon.images(), kStubIconGroup) == IconUpdateResult::Failed)
        return GenerateIconFailed;
    // A stub that already ends with a container (code 2) would leave the
    // output without this package's archive: that is a failure too.
    PackageFile output(pending.path());
    switch (output.AppendContainer(archivePath)) {
    case AppendDone:
        break;
    case AppendTooLarge:
        return GenerateTooLarge;
    default:
        return GenerateAppendFailed;
    }
    switch (CheckFinishedSetup(pending.path(), kEntryCount, refusedEntry)) {
    case SetupCheckResult::Sound:
        break;
    case SetupCheckResult::EntryRefused:
        return GenerateEntryRefused;
    default:
        return GenerateCheckFailed;
    }
    // A running copy of an earlier setup keeps its file locked.
    if (!pending.Commit(outputPath))
        return GenerateStubFailed;
    return GenerateDone;
}

} // namespace

GenerateResult GeneratePackageWithResult(const char* msiPath, const char* skinPath,
                                         const char* outputPath, const char* iconPath,
                                         std::string* refusedEntry)
{
    if (!msiPath || !skinPath || !outputPath)
        return GenerateInputMissing;
    char archivePath[MAX_PATH];
    if (!InBuilderFolder(archivePath, kArchiveName))
        return GeneratePathTooLong;
    std::string refused;
    GenerateResult result = Generate(archivePath, msiPath, skinPath, outputPath, iconPath, refused);
    DeleteFileA(archivePath);
    if (refusedEntry)
        *refusedEntry = refused;
    return result;
}

std::string RefusedEntryMessage(const std::string& entry)
{
    return "The setup cannot unpack a file named \"" + entry +
           "\": the name is too long or not a plain file name, or the package is not the "
           "one .msi file.";
}

std::string GenerateFailureMessage(GenerateResult result, const std::string& refusedEntry)
{
    switch (result) {
    case GenerateEntryRefused:
        return RefusedEntryMessage(refusedEntry);
    case GenerateTooLarge:
        return "The setup would be larger than 4 GB, the most a setup program can hold.";
    default:
        return std::string();
    }
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
        MessageBoxA(window, "Generated Successfully", kCaption, MB_OK);
    if (engine.DeleteAdditionalThread)
        engine.DeleteAdditionalThread();
    SendMessageA(window, UM_SETBUSY, 0, 0);
    const std::string message = GenerateFailureMessage(result, refusedEntry);
    if (!message.empty())
        MessageBoxA(window, message.c_str(), kCaption, MB_OK);
    else if (!generated)
        MessageBoxA(window, "Can't create zip file", kCaption, MB_OK);
    return 0;
}
