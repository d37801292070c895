#pragma once

#include <stddef.h>
#include <string.h>

// Paths are kept in buffers of this many bytes, Windows' MAX_PATH: at most
// 259 characters and the terminating zero.
constexpr size_t kMaxPath = 260;

// True when a path of this many characters fits in such a buffer.
constexpr bool FitsInPath(size_t length) { return length < kMaxPath; }

// Writes folder, then separator (none when it is '\0'), then name into out, a
// buffer of kMaxPath bytes; out may be the folder's own buffer. False, with
// out empty, when the path would not fit: a path is never cut short. Either
// part may be null, which stands for empty text.
inline bool JoinPath(char* out, const char* folder, char separator, const char* name)
{
    const size_t folderLength = folder ? strlen(folder) : 0;
    const size_t nameLength = name ? strlen(name) : 0;
    const size_t separatorLength = separator ? 1 : 0;
    if (!FitsInPath(folderLength + separatorLength + nameLength)) {
        out[0] = '\0';
        return false;
    }
    if (folderLength)
        memmove(out, folder, folderLength);
    if (separator)
        out[folderLength] = separator;
    if (nameLength)
        memmove(out + folderLength + separatorLength, name, nameLength);
    out[folderLength + separatorLength + nameLength] = '\0';
    return true;
}
