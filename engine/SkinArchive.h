#pragma once

// The entries of a skin file (a ZIP archive), read whole into memory so that
// the skin can be checked completely before anything of it is used.

#include <map>
#include <string>

// Entry names in lower case with '/' separators, mapped to their bytes.
using SkinArchiveEntries = std::map<std::string, std::string>;

// Reads every file entry. Refuses (false, reason in error) a path that is not
// a regular file, an empty file, anything minizip cannot open, an entry whose
// data fails its CRC, and archives beyond the sizes a skin needs.
bool ReadSkinArchive(const wchar_t* path, SkinArchiveEntries& entries, std::string& error);
