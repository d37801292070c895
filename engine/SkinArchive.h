#pragma once

// The entries of a skin file (a ZIP archive), read whole into memory so that
// the skin can be checked completely before anything of it is used.

#include "SkinFaults.h"
#include "SkinFileAccess.h"

#include <map>
#include <string>

// Entry names in lower case with '/' separators, mapped to their bytes.
using SkinArchiveEntries = std::map<std::string, std::string>;

// Reads every file entry. Refuses (false, the fault in faults) a path that is
// not a regular file, an empty file, anything minizip cannot open, an entry
// whose data fails its CRC, and archives beyond the sizes a skin needs. The
// first fault ends the reading: what follows a damaged part is not known.
bool ReadSkinArchive(const SkinPathChar* path, SkinArchiveEntries& entries, SkinFaults& faults);
