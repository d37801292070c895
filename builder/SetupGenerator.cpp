#include "SetupGenerator.h"

#include "ArchiveWriter.h"
#include "EntryRules.h"
#include "IconFile.h"
#include "OutputFiles.h"
#include "PackageFile.h"
#include "ProductName.h"
#include "SetupCheck.h"
#include "SkinDescription.h"
#include "WholeFile.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

// The stub's icon group, rewritten to describe the icon file's images.
constexpr uint16_t kStubIconGroup = 105;

// The skin engine and the five runtime libraries it needs, taken from the
// payload folder and stored under exactly these names.
constexpr const char* kLibraries[] = {
    kSkinEngineFileName, "gdiplus.dll", "mfc71.dll", "MSVCR71.DLL", "msvcrt.dll", "msvcp71.dll",
};
// The MSI, the skin and the libraries.
constexpr size_t kEntryCount = 2 + sizeof kLibraries / sizeof kLibraries[0];

bool Fits(const std::string& path)
{
    return path.size() < kMaxPath;
}

// Writing the output over a file that generation reads would destroy it: the
// MSI, the skin, the icon, or the stub and libraries of the payload folder.
bool OutputIsInput(const GenerationRequest& request)
{
    const char* output = request.outputPath;
    if (!PathExists(output))
        return false;
    if (SameFile(output, request.msiPath) || SameFile(output, request.skinPath) ||
        (request.iconPath && *request.iconPath && SameFile(output, request.iconPath)))
        return true;
    if (SameFile(output, (request.payloadFolder + kStubFileName).c_str()))
        return true;
    for (const char* library : kLibraries) {
        if (SameFile(output, (request.payloadFolder + library).c_str()))
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
    std::string bytes;
    const WholeFileResult read = ReadWholeFile(stubPath, UINT32_MAX, bytes);
    if (read == WholeFileResult::CannotOpen)
        return true;
    return read == WholeFileResult::Done && bytes.compare(0, 2, "MZ") == 0 &&
           bytes.find(std::string(kContainerMarker, kContainerMarkerLength)) != std::string::npos;
}

GenerateResult WriteArchive(const GenerationRequest& request, const std::string& msiName,
                            const std::string& skinName)
{
    ArchiveWriter archive;
    if (!archive.Create(request.archivePath.c_str()))
        return GenerateArchiveFailed;
    ArchiveWriter::AddResult added = archive.Add(request.msiPath, msiName.c_str(), request.progress);
    if (added != ArchiveWriter::Added)
        return EntryFailure(added, GenerateInputMissing);
    added = archive.Add(request.skinPath, skinName.c_str(), request.progress);
    if (added != ArchiveWriter::Added)
        return EntryFailure(added, GenerateInputMissing);
    for (const char* library : kLibraries) {
        const std::string libraryPath = request.payloadFolder + library;
        if (!Fits(libraryPath))
            return GeneratePathTooLong;
        added = archive.Add(libraryPath.c_str(), library, request.progress);
        if (added != ArchiveWriter::Added)
            return EntryFailure(added, GenerateLibraryMissing);
    }
    // An archive without its central directory would unpack as nothing.
    return archive.Close() ? GenerateDone : GenerateArchiveFailed;
}

// Everything from the archive to the finished output. The caller removes
// the archive whatever happens, so every return here may leave it behind.
GenerateResult Generate(const GenerationRequest& request, std::string& refusedEntry)
{
    const char* outputPath = request.outputPath;
    const char* iconPath = request.iconPath;
    const std::string msiName = FileNamePart(request.msiPath);
    const std::string skinName = FileNamePart(request.skinPath);
    const std::string stubPath = request.payloadFolder + kStubFileName;
    if (!Fits(request.msiPath) || !Fits(request.skinPath) || !Fits(stubPath) ||
        !Fits(outputPath) || !Fits(request.archivePath) || (iconPath && !Fits(iconPath)))
        return GeneratePathTooLong;
    if (!OutputIsPlainFile(outputPath))
        return GenerateOutputNotAFile;
    if (OutputIsInput(request))
        return GenerateOutputIsInput;
    // A skin the engine refuses would leave the setup unskinned: refused
    // before anything is written. One that cannot be read is the archive's
    // to report (GenerateInputMissing).
    SkinFaults skinFaults;
    if (CheckSkin(request.skinPath, skinFaults) == SkinVerdict::Refused) {
        refusedEntry = SkinFaultReport(skinName, skinFaults.first());
        return GenerateSkinRefused;
    }

    const GenerateResult archived = WriteArchive(request, msiName, skinName);
    if (archived != GenerateDone)
        return archived;
    if (SameFile(outputPath, request.archivePath.c_str()))
        return GenerateOutputIsInput;
    // The inputs are known to be readable now, so a name the setup would
    // refuse is the problem to report; the read-back below checks again.
    // The setup also refuses an entry named like the archive, which lies
    // beside what it unpacks.
    const std::string archiveName = FileNamePart(request.archivePath.c_str());
    for (const std::string& name : {msiName, skinName}) {
        if (!IsUsableEntryName(name.c_str()) || SameEntryName(name.c_str(), archiveName.c_str())) {
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

    // Any program file would take a container; only a stub can read it back
    // on the user's machine.
    if (!HoldsContainerReader(stubPath.c_str()))
        return GenerateCheckFailed;
    PendingOutput pending;
    if (!pending.Create(outputPath) || !pending.CopyStub(stubPath.c_str()))
        return GenerateStubFailed;
    if (iconLoaded == IconFile::Loaded &&
        ReplaceIcons(pending.path(), icon.images(), kStubIconGroup) == IconUpdateResult::Failed)
        return GenerateIconFailed;
    // A stub that already ends with a container would leave the output
    // without this package's archive: that is a failure too.
    PackageFile output(pending.path());
    switch (output.AppendContainer(request.archivePath.c_str())) {
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

GenerateResult GenerateSetup(const GenerationRequest& request, std::string& refusedEntry)
{
    if (!request.msiPath || !request.skinPath || !request.outputPath)
        return GenerateInputMissing;
    const GenerateResult result = Generate(request, refusedEntry);
    remove(request.archivePath.c_str());
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
    case GenerateSkinRefused:
        return "the skin is refused: " + refusedEntry;
    default:
        return std::string();
    }
}
