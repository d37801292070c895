#include "EntryRules.h"

#include "SkinEngineApi.h"

#include <shlwapi.h>
#include <string.h>
#include <wchar.h>

#include <string>

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

// The name as UTF-16, so every test below sees whole characters. False for
// bytes that are no text in the code page (a lead byte without its trail).
bool Widen(const char* name, UINT codePage, std::wstring& wide)
{
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
    if (length <= 0)
        return false;
    wide.resize(size_t(length));
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name, -1, &wide[0], length) != length)
        return false;
    wide.resize(size_t(length) - 1);
    return true;
}

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - 32) : c; }

bool StemIs(const std::wstring& stem, const wchar_t* device)
{
    const size_t length = wcslen(device);
    if (stem.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (UpperAscii(stem[i]) != device[i])
            return false;
    }
    return true;
}

bool IsDeviceStem(std::wstring stem)
{
    // Windows drops the spaces before the extension when it looks for a
    // device: "NUL .msi" is NUL.
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (StemIs(stem, device))
            return true;
    }
    if (stem.size() != 4 || !(StemIs(stem.substr(0, 3), L"COM") || StemIs(stem.substr(0, 3), L"LPT")))
        return false;
    const wchar_t digit = stem[3];
    return (digit >= L'0' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 ||
           digit == 0x00B3;
}

bool IsSafeWideName(const std::wstring& wide)
{
    if (wide.empty())
        return false;
    for (wchar_t c : wide) {
        if (c < 0x20 || wcschr(L"\\/:*?\"<>|", c))
            return false;
    }
    if (wide.back() == L'.' || wide.back() == L' ')
        return false;
    return !IsDeviceStem(wide.substr(0, wide.find(L'.')));
}

} // namespace

bool IsDeviceName(const char* name, UINT codePage)
{
    std::wstring wide;
    return Widen(name, codePage, wide) && IsDeviceStem(wide.substr(0, wide.find(L'.')));
}

bool IsDeviceName(const char* name)
{
    return IsDeviceName(name, CP_ACP);
}

bool IsSafeEntryName(const char* name, size_t folderLength, UINT codePage)
{
    // The paths are ANSI buffers of MAX_PATH bytes, so bytes count here.
    const size_t length = strlen(name);
    if (length == 0 || folderLength + 1 + length >= MAX_PATH)
        return false;
    std::wstring wide;
    return Widen(name, codePage, wide) && IsSafeWideName(wide);
}

bool IsSafeEntryName(const char* name, size_t folderLength)
{
    return IsSafeEntryName(name, folderLength, CP_ACP);
}

bool SameEntryName(const char* first, const char* second, UINT codePage)
{
    std::wstring a, b;
    if (!Widen(first, codePage, a) || !Widen(second, codePage, b))
        return !strcmp(first, second);
    if (a.size() != b.size())
        return false;
    // The file system's own upper-casing, character by character.
    CharUpperBuffW(&a[0], DWORD(a.size()));
    CharUpperBuffW(&b[0], DWORD(b.size()));
    return a == b;
}
