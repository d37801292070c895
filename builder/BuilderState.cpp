#include "BuilderState.h"

#include <mbstring.h>
#include <string.h>

BuilderState gBuilder;

bool CopyBounded(char* buffer, size_t size, const char* text)
{
    if (size == 0)
        return false;
    size_t length = text ? strlen(text) : 0;
    if (length >= size) {
        buffer[0] = '\0';
        return false;
    }
    memcpy(buffer, text ? text : "", length + 1);
    return true;
}

bool AppendBounded(char* buffer, size_t size, const char* text)
{
    size_t used = strnlen(buffer, size);
    size_t length = strlen(text);
    if (used + length >= size)
        return false;
    memcpy(buffer + used, text, length + 1);
    return true;
}

bool SetBuilderFolderFrom(const char* programPath)
{
    char folder[MAX_PATH];
    if (!CopyBounded(folder, sizeof folder, programPath))
        return false;
    // Multibyte-aware: a trail byte of a double-byte character may be 0x5C.
    unsigned char* lastSlash = _mbsrchr(reinterpret_cast<unsigned char*>(folder), '\\');
    if (!lastSlash)
        return false;
    lastSlash[1] = '\0';
    return CopyBounded(gBuilder.builderFolder, sizeof gBuilder.builderFolder, folder);
}
