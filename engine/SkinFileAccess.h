#pragma once

// The few file operations of the skin core that differ by system: how a skin
// path is spelt, what lies at it, and how minizip opens it. One header, a
// *Win.cpp and a *Posix.cpp, as container/FileAccess.h.

#include <stdint.h>

#include <string>

// unzip.h first: it brings in zlib.h, which ioapi.h builds on.
#include <unzip.h>

// A skin's path in the system's own spelling: UTF-16 on Windows, as the
// engine's LoadSkinFromFile takes it; bytes (UTF-8) elsewhere.
#ifdef _WIN32
using SkinPathChar = wchar_t;
#else
using SkinPathChar = char;
#endif
using SkinPath = std::basic_string<SkinPathChar>;

// A path as a program's own char strings hold it (the active code page on
// Windows, UTF-8 elsewhere), in the spelling above.
SkinPath SkinPathFromNarrow(const char* path);

enum class SkinFileKind { Missing, Folder, File };

// What is at path; size is set for a file.
SkinFileKind StatSkinFile(const SkinPathChar* path, uint64_t& size);

// minizip's file functions for paths spelt as above.
void FillSkinFileFunctions(zlib_filefunc64_def& io);
