#pragma once

#include "EntryRules.h"
#include "Handles.h"

#include <windows.h>

#include <vector>

// One archive entry as the run placed it.
struct UnpackEntry {
    char filePath[MAX_PATH];  // where the entry lives for the rest of the run
    int deleteAfterwards;     // nonzero: in the temporary folder, deleted at the end
    EntryKind kind;
};

// An unpacked file held open from the check of its contents until the run
// is done with it. Reading is shared; writing, renaming and deleting are
// not, so nothing can swap the file between its check and its use.
using HeldFile = FileHandle;

// What unpacking leaves for installation and clean-up.
struct SetupState {
    char tempFolder[MAX_PATH] = {};    // the run's private folder, final backslash
    char systemFolder[MAX_PATH] = {};  // no final backslash
    char archiveFile[MAX_PATH] = {};   // the archive copied out of the container
    // False: runtime libraries stay in the temporary folder like every other
    // entry, nothing goes into the system folder (extraction).
    bool placeLibraries = true;
    // True: the run ends by moving the held files out (extraction), so they
    // are held with delete access as well.
    bool movesHeldFiles = false;
    std::vector<UnpackEntry> entries;  // in archive order
    std::vector<HeldFile> held;        // one for each entry, open while it lies unpacked
    // Last entry of each kind, or -1 when the archive has none.
    int packageIndex = -1;
    int skinIndex = -1;
    int engineIndex = -1;
};
