#include "BuilderState.h"

#include <mbstring.h>

namespace {

BuilderState gState;

} // namespace

const BuilderState& gBuilder = gState;

BuilderState& BuilderStartUpState()
{
    return gState;
}

bool SetBuilderFolderFrom(const char* programPath)
{
    char folder[kMaxPath];
    if (!JoinPath(folder, programPath, '\0', nullptr))
        return false;
    // Multibyte-aware: a trail byte of a double-byte character may be 0x5C.
    unsigned char* lastSlash = _mbsrchr(reinterpret_cast<unsigned char*>(folder), '\\');
    if (!lastSlash)
        return false;
    lastSlash[1] = '\0';
    return JoinPath(gState.builderFolder, folder, '\0', nullptr);
}
