#include "EntryRules.h"

#include "BoundedPath.h"
#include "EntryText.h"
#include "ProductName.h"

#include <string.h>

namespace {

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

bool EqualsAsciiNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (UpperAscii(char16_t(uint8_t(*a))) != UpperAscii(char16_t(uint8_t(*b))))
            return false;
    }
    return *a == *b;
}

// The text from the last dot of the name, or the empty text at its end.
const char* Extension(const char* name)
{
    const char* dot = strrchr(name, '.');
    return dot && !strpbrk(dot, " \\") ? dot : name + strlen(name);
}

bool StemIs(const std::u16string& stem, const char* device)
{
    const size_t length = strlen(device);
    if (stem.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (UpperAscii(stem[i]) != char16_t(device[i]))
            return false;
    }
    return true;
}

bool IsDeviceStem(std::u16string stem)
{
    // Windows drops the spaces before the extension when it looks for a
    // device: "NUL .msi" is NUL.
    while (!stem.empty() && stem.back() == u' ')
        stem.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (StemIs(stem, device))
            return true;
    }
    if (stem.size() != 4 || !(StemIs(stem.substr(0, 3), "COM") || StemIs(stem.substr(0, 3), "LPT")))
        return false;
    const char16_t digit = stem[3];
    return (digit >= u'0' && digit <= u'9') || digit == 0x00B9 || digit == 0x00B2 ||
           digit == 0x00B3;
}

bool IsSafeWideName(const std::u16string& wide)
{
    if (wide.empty())
        return false;
    for (char16_t c : wide) {
        if (c < 0x20 || std::u16string(u"\\/:*?\"<>|").find(c) != std::u16string::npos)
            return false;
    }
    if (wide.back() == u'.' || wide.back() == u' ')
        return false;
    return !IsDeviceStem(wide.substr(0, wide.find(u'.')));
}

} // namespace

EntryKind ClassifyEntry(const char* name)
{
    const char* extension = Extension(name);
    if (EqualsAsciiNoCase(extension, ".msi"))
        return EntryPackage;
    if (EqualsAsciiNoCase(extension, ".skf"))
        return EntrySkin;
    if (EqualsAsciiNoCase(name, kSkinEngineFileName))
        return EntryEngine;
    if (EqualsAsciiNoCase(extension, ".dll"))
        return EntrySystemLibrary;
    return EntryOther;
}

const char* EntryDataRefusal(unsigned long flag, unsigned long method,
                             unsigned long long uncompressedSize, EntryKind kind)
{
    constexpr unsigned long kEncryptedFlag = 1;  // general purpose bit 0
    constexpr unsigned long kStored = 0, kDeflated = 8;
    if (flag & kEncryptedFlag)
        return "encrypted";
    if (method != kStored && method != kDeflated)
        return "compressed by a method other than stored or deflate";
    if ((kind == EntryEngine || kind == EntrySystemLibrary) &&
        uncompressedSize > kLargestLibraryEntry)
        return "a library larger than 64 MB";
    return nullptr;
}

bool IsDeviceName(const char* name, unsigned codePage)
{
    std::u16string wide;
    return WidenEntryName(name, codePage, wide) && IsDeviceStem(wide.substr(0, wide.find(u'.')));
}

bool IsDeviceName(const char* name)
{
    return IsDeviceName(name, kActiveCodePage);
}

bool IsSafeEntryName(const char* name, size_t folderLength, unsigned codePage)
{
    // The paths are ANSI buffers of MAX_PATH bytes, so bytes count here.
    const size_t length = strlen(name);
    if (length == 0 || !FitsInPath(folderLength + 1 + length))
        return false;
    std::u16string wide;
    return WidenEntryName(name, codePage, wide) && IsSafeWideName(wide);
}

bool IsSafeEntryName(const char* name, size_t folderLength)
{
    return IsSafeEntryName(name, folderLength, kActiveCodePage);
}

bool EntryNameKey(const char* name, std::u16string& key, unsigned codePage)
{
    if (!WidenEntryName(name, codePage, key))
        return false;
    UpperEntryName(key);
    return true;
}

bool SameEntryName(const char* first, const char* second, unsigned codePage)
{
    std::u16string a, b;
    if (!EntryNameKey(first, a, codePage) || !EntryNameKey(second, b, codePage))
        return !strcmp(first, second);
    return a == b;
}
