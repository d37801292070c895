#pragma once

#include "EntryRules.h"

#include <windows.h>

#include <vector>

// One archive entry as the run placed it.
struct UnpackEntry {
    char filePath[MAX_PATH];  // where the entry lives for the rest of the run
    int deleteAfterwards;     // nonzero: in the temporary folder, deleted at the end
    EntryKind kind;
};

// What unpacking leaves for installation and clean-up.
struct SetupState {
    char tempFolder[MAX_PATH] = {};    // the run's private folder, final backslash
    char systemFolder[MAX_PATH] = {};  // no final backslash
    char archiveFile[MAX_PATH] = {};   // the archive copied out of the container
    std::vector<UnpackEntry> entries;  // in archive order
    // Last entry of each kind, or -1 when the archive has none.
    int packageIndex = -1;
    int skinIndex = -1;
    int engineIndex = -1;
};
