#pragma once

#include <stddef.h>

#include <string>

// The code page a name is read in. 0 is the active ANSI code page, in which
// the setup uses the name on Windows; elsewhere names are UTF-8 text.
constexpr unsigned kActiveCodePage = 0;

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
// has folderLength characters (joined with one backslash) within 260 bytes (MAX_PATH):
// not empty, no separator, drive colon, wildcard or control character, not
// "." or "..", no trailing dot or space that Windows would strip, and no
// device name such as NUL or COM1 that would write elsewhere. The name is
// read character by character in the code page, so the second byte of a
// double-byte character (0x5C, 0x7C) is never taken for "\" or "|"; bytes
// that are no text in that code page make the name unsafe.
bool IsSafeEntryName(const char* name, size_t folderLength, unsigned codePage);
// The same in the active code page, in which the name will be used.
bool IsSafeEntryName(const char* name, size_t folderLength);

// True for a name that Windows or Wine opens as a device whatever folder it
// is joined to: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-COM9 and LPT0-LPT9,
// also with a superscript digit (COM¹), in any case, with any extension and
// with spaces before the dot ("NUL .msi").
bool IsDeviceName(const char* name, unsigned codePage);
bool IsDeviceName(const char* name);

// True when the two names would be one file: equal without regard to case,
// as the file system compares them.
bool SameEntryName(const char* first, const char* second, unsigned codePage = kActiveCodePage);

// The name folded as the file system compares names: two names are one file
// when their keys are equal, so a set of keys finds a repeated name in one
// pass. False for bytes that are no text in the code page.
bool EntryNameKey(const char* name, std::u16string& key, unsigned codePage = kActiveCodePage);

// Most entries a setup unpacks. The builder writes eight; an archive with
// many more is hostile, and would only cost time and handles.
constexpr unsigned long long kMostEntries = 256;

// Largest runtime library or engine entry unpacked. No such library comes
// near it; a larger one is a decompression bomb aimed at the system folder.
constexpr unsigned long long kLargestLibraryEntry = 64ull * 1024 * 1024;

// Why a setup refuses an entry for what its archive says of the data, or
// null: encrypted, compressed by a method other than stored or deflate, or
// a library larger than kLargestLibraryEntry. The builder's read-back of a
// finished setup and the setup itself both ask this.
const char* EntryDataRefusal(unsigned long flag, unsigned long method,
                             unsigned long long uncompressedSize, EntryKind kind);
