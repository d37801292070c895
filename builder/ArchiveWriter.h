#pragma once

#include <windows.h>

// Writes the package archive, one whole file per entry, with the entry
// layout that every package has: deflate at level 8 (stored for names that
// are already compressed archives), version made by 0x0B17, a "UT" extra
// field, DOS and Unix attributes.
class ArchiveWriter {
public:
    enum AddResult {
        Added,
        SourceUnreadable, // missing, a folder, or a read error
        WriteFailed,
    };

    ArchiveWriter() = default;
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Creates the archive, replacing a file of that name, opened for writing
    // by this process alone.
    bool Create(const char* archivePath);
    // Adds the source file under storedName (backslashes become slashes).
    // While progressBar is not null, a deflated entry reports its progress
    // there: range 0..100, position 0, the share read so far after every
    // block, 100 at the end.
    AddResult Add(const char* sourcePath, const char* storedName, HWND progressBar);
    // Writes the central directory; false when the archive is not complete.
    bool Close();

private:
    void* zip_ = nullptr;
};
