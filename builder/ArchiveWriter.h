#pragma once

#include <stdint.h>

// Told how far the compression of each deflated entry has come: once when it
// begins, then the share of its input done so far, in percent, ending at 100.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void EntryBegun() = 0;
    virtual void EntryProgress(int percent) = 0;
};

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

    // Creates the archive, replacing a file of that name.
    bool Create(const char* archivePath);
    // Adds the source file under storedName (backslashes become slashes).
    // While progress is not null, a deflated entry reports to it.
    AddResult Add(const char* sourcePath, const char* storedName, ProgressSink* progress);
    // Writes the central directory; false when the archive is not complete.
    bool Close();

private:
    void* zip_ = nullptr;
};
