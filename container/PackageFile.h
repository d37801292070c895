#pragma once

#include "BoundedPath.h"

#include <stddef.h>
#include <stdint.h>

// A package container is appended to a setup program:
//   [u32 name length n][name][archive bytes][u32 start offset S]["!faSig!"]
// with every integer little-endian. Nothing in the program's headers points to
// it; a reader finds it by its trailer, which may stand in exactly two places:
//  - in a signed program, right before the certificate table (after at most
//    seven zero bytes of alignment), so that everything the stub unpacks lies
//    in the bytes the signature covers. The certificate table itself is left
//    out of the signed hash: nothing in it or after it is ever a container.
//  - in an unsigned program, at the very end of the file, or, when someone
//    appended data after it, at the last marker whose trailer, start offset
//    and name record all check out.
// S lies at or after the end of the program's image, as its section table
// describes it, and before the trailer.

// The marker text, stored once in the program's constant data.
extern const char kContainerMarker[8];
constexpr int kContainerMarkerLength = 7;
// The fields around the name and the archive.
constexpr int kContainerNameLengthSize = 4;
constexpr int kContainerStartOffsetSize = 4;
// Start offset and marker close every container; counted back from the end
// of the trailer, the offset starts 11 bytes and the marker 7 bytes before it.
constexpr int kContainerTrailerLength = kContainerStartOffsetSize + kContainerMarkerLength;
constexpr int kTrailerStartOffsetBack = kContainerTrailerLength;
constexpr int kTrailerMarkerBack = kContainerMarkerLength;
// Signing tools align the certificate table to 8 bytes with zero bytes.
constexpr int kCertificateTableAlignment = 8;
// S is 32 bits wide, so no setup may reach 4 GiB.
constexpr uint64_t kMaxSetupSize = 0xFFFFFFFFull;

enum AppendResult {
    AppendDone = 1,              // also for a null archive path, with nothing done
    AppendAlreadyHasContainer = 2,
    AppendCannotOpenFile = 3,    // including a write that failed half-way
    AppendCannotOpenArchive = 4,
    AppendTooLarge = 5,          // the setup would reach 4 GiB; nothing written
    AppendSignedFile = 6,        // a container after a certificate table is never read
};

enum ExtractResult {
    ExtractDone = 1,
    ExtractCannotOpenFile = 2,
    ExtractNoContainer = 3,      // no trailer where one may be, or a damaged one
    ExtractBadStart = 4,
    ExtractCannotCreateOutput = 5, // also: folder missing, path too long, write failed
};

class PackageFile {
public:
    // Stands for the program's own file.
    PackageFile();
    explicit PackageFile(const char* filePath);

    // True when the file ends with a trailer's marker, where the builder
    // writes it.
    bool HasContainer() const;
    AppendResult AppendContainer(const char* archivePath);
    // The file offset of the container's marker, or -1 when the file carries
    // no sound container where one may be.
    int64_t FindMarker() const;
    ExtractResult ExtractContainer(const char* destFolder, char* outPath,
                                   size_t outPathSize) const;

    // The full path of the file it stands for; empty when it did not fit.
    const char* path() const { return path_; }

private:
    char path_[kMaxPath];
};
