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

// Runtime libraries that an outside skin engine may need, packed in this
// order and under exactly these names when they lie in the payload folder.
// Our own engine is linked statically and loads none of them, so a folder
// without them makes a setup that places nothing in the system folder.
constexpr const char* kRuntimeLibraries[] = {
    "gdiplus.dll", "mfc71.dll", "MSVCR71.DLL", "msvcrt.dll", "msvcp71.dll",
};

bool Fits(const std::string& path)
{
    return FitsInPath(path.size());
}

// Writing the output over a file that generation reads would destroy it: the
// MSI, the skin, the icon, or the stub and libraries of the payload folder.
bool OutputIsInput(const GenerationRequest& request)
{
    const char* output = request.outputPath.c_str();
    if (!PathExists(output))
        return false;
    if (SameFile(output, request.msiPath.c_str()) || SameFile(output, request.skinPath.c_str()) ||
        (!request.iconPath.empty() && SameFile(output, request.iconPath.c_str())))
        return true;
    if (SameFile(output, (request.payloadFolder + kStubFileName).c_str()) ||
        SameFile(output, (request.payloadFolder + kSkinEngineFileName).c_str()))
        return true;
    for (const char* library : kRuntimeLibraries) {
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

GenerateResult AddLibrary(ArchiveWriter& archive, const GenerationRequest& request,
                          const char* library, std::string& detail)
{
    const std::string libraryPath = request.payloadFolder + library;
    if (!Fits(libraryPath))
        return GeneratePathTooLong;
    const ArchiveWriter::AddResult added =
        archive.Add(libraryPath.c_str(), library, request.progress);
    if (added == ArchiveWriter::Added)
        return GenerateDone;
    if (added == ArchiveWriter::SourceUnreadable)
        detail = libraryPath;
    return EntryFailure(added, GenerateLibraryMissing);
}

// Writes the MSI, the skin, the engine and each runtime library that the
// payload folder holds; entryCount tells how many entries that made.
GenerateResult WriteArchive(const GenerationRequest& request, const std::string& msiName,
                            const std::string& skinName, size_t& entryCount, std::string& detail)
{
    ArchiveWriter archive;
    if (!archive.Create(request.archivePath.c_str()))
        return GenerateArchiveFailed;
    ArchiveWriter::AddResult added = archive.Add(request.msiPath.c_str(), msiName.c_str(), request.progress);
    if (added != ArchiveWriter::Added)
        return EntryFailure(added, GenerateInputMissing);
    added = archive.Add(request.skinPath.c_str(), skinName.c_str(), request.progress);
    if (added != ArchiveWriter::Added)
        return EntryFailure(added, GenerateInputMissing);
    GenerateResult result = AddLibrary(archive, request, kSkinEngineFileName, detail);
    if (result != GenerateDone)
        return result;
    entryCount = 3;
    for (const char* library : kRuntimeLibraries) {
        // An absent library is one the engine does not need; one that is
        // there but cannot be read is a failure, not a silent omission.
        if (!PathExists((request.payloadFolder + library).c_str()))
            continue;
        result = AddLibrary(archive, request, library, detail);
        if (result != GenerateDone)
            return result;
        ++entryCount;
    }
    // An archive without its central directory would unpack as nothing.
    return archive.Close() ? GenerateDone : GenerateArchiveFailed;
}

// Everything from the archive to the finished output. The caller removes
// the archive whatever happens, so every return here may leave it behind.
GenerateResult Generate(const GenerationRequest& request, std::string& detail)
{
    const char* outputPath = request.outputPath.c_str();
    const char* iconPath = request.iconPath.c_str();
    const std::string msiName = FileNamePart(request.msiPath.c_str());
    const std::string skinName = FileNamePart(request.skinPath.c_str());
    const std::string stubPath = request.payloadFolder + kStubFileName;
    if (!Fits(request.msiPath) || !Fits(request.skinPath) || !Fits(stubPath) ||
        !Fits(outputPath) || !Fits(request.archivePath) || !Fits(iconPath))
        return GeneratePathTooLong;
    if (!OutputIsPlainFile(outputPath))
        return GenerateOutputNotAFile;
    if (OutputIsInput(request))
        return GenerateOutputIsInput;
    // A skin the engine refuses would leave the setup unskinned: refused
    // before anything is written. One that cannot be read is the archive's
    // to report (GenerateInputMissing).
    SkinFaults skinFaults;
    if (CheckSkin(request.skinPath.c_str(), skinFaults) == SkinVerdict::Refused) {
        detail = SkinFaultReport(skinName, skinFaults.first());
        return GenerateSkinRefused;
    }

    size_t entryCount = 0;
    const GenerateResult archived = WriteArchive(request, msiName, skinName, entryCount, detail);
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
            detail = name;
            return GenerateEntryRefused;
        }
    }

    IconFile icon;
    IconFile::LoadResult iconLoaded = IconFile::CannotOpen;
    if (*iconPath) {
        iconLoaded = icon.Load(iconPath);
        if (iconLoaded == IconFile::Malformed)
            return GenerateIconMalformed;
    }

    if (!PathExists(stubPath.c_str())) {
        detail = stubPath;
        return GenerateStubFailed;
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
    switch (CheckFinishedSetup(pending.path(), entryCount, detail)) {
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

GenerateResult GenerateSetup(const GenerationRequest& request, std::string& detail)
{
    if (request.msiPath.empty() || request.skinPath.empty() || request.outputPath.empty())
        return GenerateInputMissing;
    const GenerateResult result = Generate(request, detail);
    remove(request.archivePath.c_str());
    return result;
}

std::string ArchivePathIn(const std::string& folder)
{
    // The setup finds its archive by the name in its container, but every
    // builder has written this one.
    return folder + "temp.zip";
}
