#include "SkinKit.h"

#include "SkinCreate.h"
#include "SkinDescription.h"
#include "SkinPreview.h"

#include <stdio.h>
#include <string.h>

#include <string>

namespace {

const char kSkinUsage[] =
    "Usage: ornixcreator skin check FILE.skf\n"
    "       ornixcreator skin create --from SKIN --output FILE.skf [options]\n"
    "       ornixcreator skin preview FILE.skf --output DIR\n"
    "Checks a skin file as the skin engine does when it loads it, or makes one.\n"
    "\n"
    "  check FILE   on acceptance prints \"ok: NAME, format F, N objects\" (N: the\n"
    "               objects the skin paints, its sections and the named objects that\n"
    "               take their look from one of them); otherwise prints every fault\n"
    "               as FILE:LINE: message (FILE: message where no line applies)\n"
    "               on standard error\n"
    "\n"
    "Exit codes: 0 the skin is accepted, 20 the skin is refused, 3 the file is\n"
    "missing, a folder or unreadable, 1 a usage error.\n";

int Check(const char* file)
{
    SkinFaults faults(true);  // every fault, not only the first
    SkinDescription skin;
    switch (CheckSkin(file, faults, &skin)) {
    case SkinVerdict::Accepted:
        printf("ok: %s, format %d, %d objects%s%s\n", skin.name.c_str(), skin.format,
               skin.ObjectCount(), skin.dark ? ", a dark variant" : "",
               skin.highContrastSafe ? ", safe in high contrast" : "");
        return 0;
    case SkinVerdict::Unreadable:
        fprintf(stderr, "%s\n", SkinFaultReport(file, faults.first()).c_str());
        return kSkinExitUnreadable;
    case SkinVerdict::Refused:
        break;
    }
    for (const SkinFault& fault : faults.all())
        fprintf(stderr, "%s\n", SkinFaultReport(file, fault).c_str());
    return kSkinExitRefused;
}

} // namespace

int RunSkinCommand(int argc, char** argv, const std::string& payloadFolder)
{
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(kSkinUsage, stdout);
        fputs("\n", stdout);
        fputs(kSkinCreateUsage, stdout);
        fputs("\n", stdout);
        fputs(kSkinPreviewUsage, stdout);
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "create") == 0)
        return RunSkinCreate(argc - 1, argv + 1, payloadFolder);
    if (argc >= 2 && strcmp(argv[1], "preview") == 0)
        return RunSkinPreview(argc - 1, argv + 1, payloadFolder);
    if (argc == 3 && strcmp(argv[1], "check") == 0)
        return Check(argv[2]);
    if (argc < 2)
        fprintf(stderr, "ornixcreator: skin needs a command\n");
    else if (strcmp(argv[1], "check") != 0)
        fprintf(stderr, "ornixcreator: unknown skin command \"%s\"\n", argv[1]);
    else
        fprintf(stderr, "ornixcreator: skin check takes one skin file\n");
    fputs(kSkinUsage, stderr);
    return kSkinExitUsage;
}
