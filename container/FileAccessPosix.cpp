#include "FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ReadOnlyFile::ReadOnlyFile(const char* path) : fd_(open(path, O_RDONLY | O_CLOEXEC))
{
    length_ = fd_ >= 0 ? lseek(fd_, 0, SEEK_END) : -1;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0)
        close(fd_);
}

bool ReadOnlyFile::ReadAt(int64_t offset, void* buffer, size_t size) const
{
    if (offset < 0 || offset > length_ || int64_t(size) > length_ - offset)
        return false;
    return pread(fd_, buffer, size, off_t(offset)) == ssize_t(size);
}

int64_t FileLength(FILE* file)
{
    struct stat info;
    return fstat(fileno(file), &info) == 0 ? int64_t(info.st_size) : -1;
}

bool CutFileBack(FILE* file, int64_t length)
{
    return fflush(file) == 0 && ftruncate(fileno(file), off_t(length)) == 0;
}

bool FolderExists(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool OwnProgramPath(char* path, size_t size)
{
    const ssize_t length = readlink("/proc/self/exe", path, size);
    if (length <= 0 || size_t(length) >= size)
        return false;
    path[length] = '\0';
    return true;
}
