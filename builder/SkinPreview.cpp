#include "SkinPreview.h"

#include "FileAccess.h"
#include "OutputFiles.h"
#include "SetupGenerator.h"
#include "SkinCreate.h"
#include "SkinDescription.h"
#include "SkinKit.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

const char kSkinPreviewUsage[] =
    "Usage: ornixcreator skin preview FILE.skf --output DIR\n"
    "Builds the sample wizard in the skin, walks it under Wine on a private\n"
    "display and writes a picture of each page (welcome, licence, folder,\n"
    "progress, finish, error) and index.html, a gallery of them, into DIR.\n"
    "Needs wine, xvfb-run, xdotool and ImageMagick's import. The Wine prefix\n"
    "lives in ~/.cache/velumo-installer.\n"
    "\n"
    "Exit codes: 0 written, 1 usage, 3 the skin is missing or unreadable, 20 the\n"
    "skin is refused, 23 DIR cannot be made, 24 Wine or a tool is missing, 25 the\n"
    "wizard could not be walked.\n";

namespace {

// Whether a program of that name lies on the PATH.
bool OnPath(const char* program)
{
    const char* path = getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string candidate = folders.substr(start, end - start) + "/" + program;
        if (end > start && access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

int Fail(int code, const std::string& message)
{
    fprintf(stderr, "ornixcreator: %s\n", message.c_str());
    return code;
}

// Runs the walk and waits for it; its exit code, or -1.
int RunWalk(const std::vector<std::string>& arguments)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int RunSkinPreview(int argc, char** argv, const std::string& payloadFolder)
{
    std::string skin, output;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--output") == 0 && i + 1 < argc)
            output = argv[++i];
        else if (skin.empty() && argv[i][0] != '-')
            skin = argv[i];
        else
            return Fail(kSkinExitUsage, std::string("unknown argument \"") + argv[i] +
                                            "\" for skin preview\n" + kSkinPreviewUsage);
    }
    if (skin.empty() || output.empty())
        return Fail(kSkinExitUsage, std::string("skin preview needs a skin file and --output\n") +
                                        kSkinPreviewUsage);

    SkinFaults faults;
    switch (CheckSkin(skin.c_str(), faults)) {
    case SkinVerdict::Accepted:
        break;
    case SkinVerdict::Unreadable:
        return Fail(kSkinExitUnreadable, SkinFaultReport(skin, faults.first()));
    case SkinVerdict::Refused:
        return Fail(kSkinExitRefused, "the skin is refused: " + SkinFaultReport(skin, faults.first()));
    }
    for (const char* tool : {"wine", "xvfb-run", "xdotool", "import"}) {
        if (!OnPath(tool))
            return Fail(kSkinExitNoWine,
                        std::string("skin preview needs ") + tool +
                            ", which is not installed: install the packages wine, xvfb, "
                            "xdotool and imagemagick");
    }
    const std::string preview = payloadFolder + "preview/";
    const std::string walk = preview + "skin-preview.sh";
    const std::string msi = preview + "SampleApp.msi";
    if (!PathExists(walk.c_str()) || !PathExists(msi.c_str()))
        return Fail(kSkinExitWalkFailed, "the sample wizard is missing from " + preview);
    if (mkdir(output.c_str(), 0777) != 0 && !FolderExists(output.c_str()))
        return Fail(kSkinExitOutput, "cannot make the folder " + output);

    // The setup is built as every setup is, under the name the walk knows.
    ScratchFolder scratch;
    if (scratch.path().empty())
        return Fail(kSkinExitOutput, "cannot make a scratch folder");
    const std::string setup = scratch.path() + "/SampleSetup.exe";
    GenerationRequest request;
    request.msiPath = msi;
    request.skinPath = skin;
    request.outputPath = setup;
    request.payloadFolder = payloadFolder;
    request.archivePath = ArchivePathIn(scratch.path() + "/");
    std::string detail;
    const GenerateResult built = GenerateSetup(request, detail);
    scratch.RemoveLater(setup.c_str());
    if (built != GenerateDone) {
        const std::string message = GenerateFailureMessage(built, detail);
        return Fail(built, "the sample setup cannot be built" +
                               (message.empty() ? std::string() : ": " + message));
    }
    SkinDescription described;
    SkinFaults ignored;
    CheckSkin(skin.c_str(), ignored, &described);
    if (RunWalk({"bash", walk, setup, output, described.name}) != 0)
        return Fail(kSkinExitWalkFailed, "the sample wizard could not be walked to its end");
    printf("preview: %s/index.html\n", output.c_str());
    return 0;
}
