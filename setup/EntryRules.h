#pragma once

#include <stddef.h>

// Where an archive entry goes, decided by its stored name.
enum EntryKind {
    EntryPackage,        // ".msi": the installation package, temporary folder
    EntrySkin,           // ".skf": the skin file, temporary folder
    EntryEngine,         // "VelumoDll.dll": the skin engine, temporary folder
    EntrySystemLibrary,  // any other ".dll": a runtime library, system folder
    EntryOther,          // anything else, temporary folder
};

// The first matching rule decides; names and extensions compare without case.
EntryKind ClassifyEntry(const char* name);

// True when the name can be placed as one plain file in a folder whose path
// has folderLength characters (joined with one backslash) within MAX_PATH:
// not empty, no separator, drive colon, wildcard or control character, not
// "." or "..", no trailing dot or space that Windows would strip, and no
// device name such as NUL or COM1 that would write elsewhere.
bool IsSafeEntryName(const char* name, size_t folderLength);
