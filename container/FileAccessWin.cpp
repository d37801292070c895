#include "FileAccess.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

ReadOnlyFile::ReadOnlyFile(const char* path) : fd_(_open(path, _O_RDONLY | _O_BINARY))
{
    length_ = fd_ >= 0 ? _lseeki64(fd_, 0, SEEK_END) : -1;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0)
        _close(fd_);
}

bool ReadOnlyFile::ReadAt(int64_t offset, void* buffer, size_t size) const
{
    if (offset < 0 || offset > length_ || int64_t(size) > length_ - offset)
        return false;
    if (_lseeki64(fd_, offset, SEEK_SET) != offset)
        return false;
    return _read(fd_, buffer, static_cast<unsigned>(size)) == int(size);
}

int64_t FileLength(FILE* file)
{
    return _filelengthi64(_fileno(file));
}

bool CutFileBack(FILE* file, int64_t length)
{
    fflush(file);
    return _chsize_s(_fileno(file), length) == 0;
}

bool FolderExists(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool OwnProgramPath(char* path, size_t size)
{
    const DWORD length = GetModuleFileNameA(nullptr, path, DWORD(size));
    return length != 0 && length < size;
}
