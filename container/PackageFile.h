#pragma once

#include <windows.h>

#include <stddef.h>

// A package container is appended to a setup program:
//   [u32 name length n][name][archive bytes][u32 start offset S]["!faSig!"]
// with every integer little-endian. Nothing in the program's headers points to
// it; a reader finds it by the marker that ends the trailer.

// The marker text, stored once in the program's constant data. FindMarker
// counts on that copy: the first marker found in a program file is its own.
extern const char kContainerMarker[8];
constexpr int kContainerMarkerLength = 7;
// Offset and marker that close every container.
constexpr int kContainerTrailerLength = 4 + kContainerMarkerLength;

enum AppendResult {
    AppendDone = 1,              // also for a null archive path, with nothing done
    AppendAlreadyHasContainer = 2,
    AppendCannotOpenFile = 3,    // including a write that failed half-way
    AppendCannotOpenArchive = 4,
};

enum ExtractResult {
    ExtractDone = 1,
    ExtractCannotOpenFile = 2,
    ExtractNoContainer = 3,      // no marker, or a damaged name record or offset
    ExtractBadStart = 4,
    ExtractCannotCreateOutput = 5, // also: folder missing, path too long, write failed
};

class PackageFile {
public:
    // Stands for the program's own file.
    PackageFile();
    explicit PackageFile(const char* filePath);

    bool HasContainer();
    int AppendContainer(const char* archivePath);
    long FindMarker();
    int ExtractContainer(const char* destFolder, char* outPath, size_t outPathSize);

    char path[MAX_PATH];
};
