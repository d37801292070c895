#include "EntryRules.h"

#include "SkinEngineApi.h"

#include <shlwapi.h>
#include <string.h>

EntryKind ClassifyEntry(const char* name)
{
    const char* extension = PathFindExtensionA(name);
    if (!_stricmp(extension, ".msi"))
        return EntryPackage;
    if (!_stricmp(extension, ".skf"))
        return EntrySkin;
    if (!_stricmp(name, kSkinEngineFileName))
        return EntryEngine;
    if (!_stricmp(extension, ".dll"))
        return EntrySystemLibrary;
    return EntryOther;
}

namespace {

bool IsDeviceName(const char* name)
{
    // Windows maps these to devices whatever extension follows them.
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    size_t stem = strcspn(name, ".");
    for (const char* device : devices) {
        if (strlen(device) == stem && !_strnicmp(name, device, stem))
            return true;
    }
    return stem == 4 && (!_strnicmp(name, "COM", 3) || !_strnicmp(name, "LPT", 3)) &&
           name[3] >= '0' && name[3] <= '9';
}

} // namespace

bool IsSafeEntryName(const char* name, size_t folderLength)
{
    const size_t length = strlen(name);
    if (length == 0 || folderLength + 1 + length >= MAX_PATH)
        return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        if (*p < 0x20 || strchr("\\/:*?\"<>|", *p))
            return false;
    }
    if (name[length - 1] == '.' || name[length - 1] == ' ')
        return false;
    return !IsDeviceName(name);
}
