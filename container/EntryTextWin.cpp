#include "EntryText.h"

#include <windows.h>

bool WidenEntryName(const char* name, unsigned codePage, std::u16string& wide)
{
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
    if (length <= 0)
        return false;
    std::wstring text(size_t(length), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name, -1, &text[0], length) != length)
        return false;
    wide.assign(text.begin(), text.end() - 1);
    return true;
}

void UpperEntryName(std::u16string& name)
{
    std::wstring text(name.begin(), name.end());
    if (!text.empty())
        CharUpperBuffW(&text[0], DWORD(text.size()));
    name.assign(text.begin(), text.end());
}
