#pragma once

#include <stddef.h>
#include <stdint.h>

// A file read into the package archive, with what the archive records of it.
// One implementation per system; both report a file as Windows does, so that
// the same file gives the same archive entry on either.
class SourceFile {
public:
    // Windows' attribute bits, as the archive stores them.
    static constexpr uint32_t kReadOnly = 0x01;
    static constexpr uint32_t kHidden = 0x02;
    static constexpr uint32_t kArchive = 0x20;

    struct Facts {
        uint64_t size = 0;
        int64_t written = 0;   // times in seconds since 1970-01-01 UTC
        int64_t accessed = 0;
        int64_t created = 0;
        uint32_t attributes = 0;
    };

    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // Opens an existing file for reading, shared with other readers; false
    // for a folder or anything that cannot be read.
    bool Open(const char* path);
    const Facts& facts() const { return facts_; }
    // Reads up to size bytes; count 0 at the end of the file.
    bool Read(void* buffer, size_t size, size_t& count);

private:
    intptr_t handle_ = -1;
    Facts facts_;
};

// A moment as a local calendar date and time, with the offset from UTC that
// applies now, as Windows converts file times for display and for ZIP tools.
struct CalendarTime {
    int year, month, day, hour, minute, second;
};
bool ToLocalCalendar(int64_t unixSeconds, CalendarTime& local);
