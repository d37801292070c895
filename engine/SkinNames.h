#pragma once

// Names in a skin (sections, keys, archive entries) are ASCII and compared
// without case; entry names also without regard to the kind of slash.

#include <string>

inline char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerName(std::string text)
{
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

// The form an entry name is looked up by: lower case, forward slashes.
inline std::string EntryKey(std::string name)
{
    for (char& c : name)
        c = c == '\\' ? '/' : LowerAscii(c);
    return name;
}
