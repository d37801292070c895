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

bool SeekFile(FILE* file, int64_t offset)
{
    return _fseeki64(file, offset, SEEK_SET) == 0;
}

int64_t FileLength(FILE* file)
{
    return _filelengthi64(_fileno(file));
}

bool CutFileBack(FILE* file, int64_t length)
{
    fflush(file);
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER position;
    position.QuadPart = length;
    return handle != INVALID_HANDLE_VALUE &&
           SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
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
