#pragma once

#include "FileAccess.h"

#include <stdint.h>

#include <vector>

// Where the parts of a ZIP archive lie in its file, read from the end record
// the way the unzip code finds it, so that both see the same directory.
struct ArchiveLayout {
    // Where offset 0 of the archive's own offsets lies in the file: 0 for a
    // plain archive, more when bytes were put before it.
    uint64_t start = 0;
    // The first byte of the central directory, in the file.
    uint64_t directory = 0;
};

// False when the file has no end record the unzip code would take, or a
// 64-bit end record: no setup needs one (it has fewer than 65,535 entries
// and is smaller than 4 GiB), and its offsets would be read differently.
bool ReadArchiveLayout(const ReadOnlyFile& file, ArchiveLayout& layout);

// The bytes of one entry in the file: its local header, name and extra
// field, then its compressed data.
struct EntryExtent {
    uint64_t begin;
    uint64_t end;   // one past the last byte
    size_t entry;   // index in the central directory
};

// Why the entries are refused for where they lie, or null: one starts
// before the archive or ends after the start of its central directory, or
// two share bytes (several directory records naming one local record is the
// shape of a decompression bomb). Sorts the extents. On a refusal, first
// and second are the entries at fault: equal for one outside the archive,
// else the reason ends in "that of", to be followed by the first's name.
const char* ExtentRefusal(std::vector<EntryExtent>& extents, const ArchiveLayout& layout,
                          size_t& first, size_t& second);
