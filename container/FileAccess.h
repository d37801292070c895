#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// The few file operations of the container code that differ by system.

// The separator between a folder and a name in paths.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// An unbuffered, read-only file with 64-bit positions.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const char* path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool ok() const { return fd_ >= 0 && length_ >= 0; }
    int64_t length() const { return length_; }
    // Reads exactly size bytes at offset; false past the end.
    bool ReadAt(int64_t offset, void* buffer, size_t size) const;

private:
    int fd_ = -1;
    int64_t length_ = -1;
};

// The length of a file open for writing, or -1.
int64_t FileLength(FILE* file);
// Cuts a file open for writing back to length bytes.
bool CutFileBack(FILE* file, int64_t length);
bool FolderExists(const char* path);
// The running program's own file; false when it does not fit.
bool OwnProgramPath(char* path, size_t size);
