// ornixcreator: the builder for Linux build machines. It makes the same setup
// as OrnixCreator.exe in batch mode, from the same generation code, and takes
// the same switches (/m: /s: /o: /i:) besides their GNU spellings.
#include "FileAccess.h"
#include "OutputFiles.h"
#include "PackageFile.h"
#include "ProductName.h"
#include "SetupGenerator.h"
#include "SkinDescription.h"
#include "SkinKit.h"
#include "StockSkins.h"

#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

// The version of the build, as its CMake project states it.
constexpr char kVersion[] = VELUMO_VERSION;
// The command line is incomplete or names an unknown option.
constexpr int kExitUsage = 1;

const char kUsage[] =
    "Usage: ornixcreator --msi FILE --skin SKIN --output FILE [--icon FILE] [--payload DIR]\n"
    "       ornixcreator /m:FILE /s:SKIN /o:FILE [/i:FILE]\n"
    "       ornixcreator --list-skins [--payload DIR]\n"
    "       ornixcreator skin check|create|preview ... (see ornixcreator skin --help)\n"
    "Builds a self-extracting setup from a Windows Installer package and a skin.\n"
    "\n"
    "  -m, --msi FILE       the MSI package (/m:FILE)\n"
    "  -s, --skin SKIN      a skin file (.skf), or the bare name of a stock skin\n"
    "                       such as Daylight (/s:SKIN)\n"
    "  -o, --output FILE    the setup program to write (/o:FILE)\n"
    "  -i, --icon FILE      an .ico file for the setup's icon (/i:FILE)\n"
    "      --payload DIR    the folder with Runlet.exe, VelumoDll.dll and the stock\n"
    "                       skins; by default beside this program or in\n"
    "                       <prefix>/share/velumo-installer\n"
    "      --list-skins     print the stock skins: the name to pass to --skin, a\n"
    "                       tab, and the name the skin gives itself\n"
    "  -h, --help           this text (/?)\n"
    "      --version        the version\n";

struct Options {
    std::string msi, skin, output, icon, payload;
    bool help = false;
    bool version = false;
    bool listSkins = false;
};

// Takes "/m:FILE", "-m:FILE", "--msi FILE", "--msi=FILE" and "-m FILE".
// False, with a message, for anything else.
bool ReadOptions(int argc, char** argv, Options& options, std::string& error)
{
    struct Named {
        const char* longName;
        char letter;
        std::string Options::*value;
    };
    const Named named[] = {
        {"msi", 'm', &Options::msi},     {"skin", 's', &Options::skin},
        {"output", 'o', &Options::output}, {"icon", 'i', &Options::icon},
        {"payload", 0, &Options::payload},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h" || argument == "/?" || argument == "-?") {
            options.help = true;
            continue;
        }
        if (argument == "--version") {
            options.version = true;
            continue;
        }
        if (argument == "--list-skins") {
            options.listSkins = true;
            continue;
        }
        const Named* found = nullptr;
        std::string value;
        bool needsNext = false;
        for (const Named& n : named) {
            const std::string gnu = std::string("--") + n.longName;
            if (argument == gnu) {
                found = &n;
                needsNext = true;
            } else if (argument.compare(0, gnu.size() + 1, gnu + "=") == 0) {
                found = &n;
                value = argument.substr(gnu.size() + 1);
            } else if (n.letter && argument.size() >= 2 &&
                       (argument[0] == '/' || argument[0] == '-') &&
                       tolower(static_cast<unsigned char>(argument[1])) == n.letter) {
                // The Windows builder's form, letters in any case; a value
                // may also follow as the next argument after "-m".
                if (argument.size() > 2 && argument[2] == ':') {
                    found = &n;
                    value = argument.substr(3);
                } else if (argument.size() == 2 && argument[0] == '-') {
                    found = &n;
                    needsNext = true;
                }
            }
            if (found)
                break;
        }
        if (!found) {
            error = "unknown option \"" + argument + "\"";
            return false;
        }
        if (needsNext) {
            if (i + 1 >= argc) {
                error = "\"" + argument + "\" needs a value";
                return false;
            }
            value = argv[++i];
        }
        // The first occurrence wins, as on Windows.
        if ((options.*found->value).empty())
            options.*found->value = value;
    }
    return true;
}

std::string ProgramFolder()
{
    char path[PATH_MAX];
    if (!OwnProgramPath(path, sizeof path))
        return std::string();
    const std::string folder(path);
    return folder.substr(0, folder.rfind('/') + 1);
}

// The payload folder with its final separator: the one named, else beside
// this program (a build tree), else <prefix>/share/velumo-installer.
std::string PayloadFolder(const std::string& named)
{
    if (!named.empty())
        return named.back() == '/' ? named : named + "/";
    const std::string beside = ProgramFolder();
    if (PathExists((beside + kStubFileName).c_str()))
        return beside;
    return beside + "../share/velumo-installer/";
}

int ListStockSkins(const std::string& payloadFolder)
{
    const std::vector<std::string> names = StockSkinNames(payloadFolder);
    if (names.empty()) {
        fprintf(stderr, "ornixcreator: %s holds no stock skin\n",
                StockSkinFolder(payloadFolder).c_str());
        return GenerateInputMissing;
    }
    // The bare name to pass to --skin, then the name the skin gives itself.
    for (const std::string& name : names) {
        SkinFaults faults;
        SkinDescription skin;
        const std::string path = StockSkinFolder(payloadFolder) + name + ".skf";
        const bool accepted = CheckSkin(path.c_str(), faults, &skin) == SkinVerdict::Accepted;
        printf("%s\t%s\n", name.c_str(), accepted ? skin.name.c_str() : "(refused by the engine)");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "skin") == 0) {
        // --payload says where the stock skins lie for every skin command.
        std::vector<char*> rest;
        std::string payload;
        for (int i = 1; i < argc; ++i) {
            if (strcmp(argv[i], "--payload") == 0 && i + 1 < argc)
                payload = argv[++i];
            else
                rest.push_back(argv[i]);
        }
        return RunSkinCommand(int(rest.size()), rest.data(), PayloadFolder(payload));
    }
    Options options;
    std::string error;
    if (!ReadOptions(argc, argv, options, error)) {
        fprintf(stderr, "ornixcreator: %s\n%s", error.c_str(), kUsage);
        return kExitUsage;
    }
    if (options.help) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (options.version) {
        printf("ornixcreator (Velumo Installer) %s\n", kVersion);
        return 0;
    }
    const std::string payloadFolder = PayloadFolder(options.payload);
    if (options.listSkins)
        return ListStockSkins(payloadFolder);
    if (options.msi.empty() || options.skin.empty() || options.output.empty()) {
        fprintf(stderr, "ornixcreator: --msi, --skin and --output are needed\n%s", kUsage);
        return kExitUsage;
    }

    // The archive is written in a folder of its own, since the payload
    // folder is not ours to write in.
    ScratchFolder scratch;
    if (scratch.path().empty()) {
        fprintf(stderr, "ornixcreator: %s\n", GenerateLogText(GenerateArchiveFailed, "").c_str());
        return GenerateArchiveFailed;
    }
    std::string skinPath;
    if (ResolveSkinArgument(options.skin, payloadFolder, skinPath) ==
        SkinArgumentResult::UnknownStock) {
        fprintf(stderr, "ornixcreator: %s\n",
                UnknownStockSkinMessage(options.skin, payloadFolder).c_str());
        return GenerateInputMissing;
    }
    GenerationRequest request;
    request.msiPath = options.msi;
    request.skinPath = skinPath;
    request.outputPath = options.output;
    request.iconPath = options.icon;
    request.payloadFolder = payloadFolder;
    request.archivePath = ArchivePathIn(scratch.path() + "/");
    std::string detail;
    const GenerateResult result = GenerateSetup(request, detail);
    if (result != GenerateDone)
        fprintf(stderr, "ornixcreator: %s\n", GenerateLogText(result, detail).c_str());
    return result;
}
