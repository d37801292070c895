#pragma once

#include "BoundedPath.h"

#include <windows.h>

#include <stdio.h>

// Makes a new folder named base, prefix and eight hex digits, with the given
// security (null: the base folder's), and puts its path, without a final
// backslash, into folder (kMaxPath bytes). CreateDirectoryA fails on an
// existing name, so a folder it makes is the caller's alone; a clash only
// costs another attempt. base ends with its separator.
inline bool CreateUniqueFolder(const char* base, const char* prefix,
                               SECURITY_ATTRIBUTES* security, char* folder)
{
    const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        snprintf(name, sizeof name, "%s%08lX", prefix,
                 static_cast<unsigned long>(seed + attempt * 7919u));
        if (!JoinPath(folder, base, '\0', name))
            return false;
        if (CreateDirectoryA(folder, security))
            return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    folder[0] = '\0';
    return false;
}
