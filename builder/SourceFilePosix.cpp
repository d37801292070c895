#include "SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <errno.h>
#include <string.h>

SourceFile::~SourceFile()
{
    if (handle_ != -1)
        close(int(handle_));
}

bool SourceFile::Open(const char* path)
{
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    handle_ = file;
    struct stat info;
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    facts_.size = uint64_t(info.st_size);
    facts_.written = info.st_mtime;
    facts_.accessed = info.st_atime;
    // stat holds no creation time; the last write stands in for it, as
    // Wine reports such a file's creation time to the Windows builder.
    facts_.created = info.st_mtime;
    // As Wine shows such a file to a Windows program: the archive bit, and
    // read-only when nobody may write it. A name that starts with a dot is
    // hidden there.
    facts_.attributes = SourceFile::kArchive;
    if (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        facts_.attributes |= SourceFile::kReadOnly;
    const char* name = strrchr(path, '/');
    name = name ? name + 1 : path;
    if (name[0] == '.' && strcmp(name, ".") != 0 && strcmp(name, "..") != 0)
        facts_.attributes |= SourceFile::kHidden;
    return true;
}

bool SourceFile::Read(void* buffer, size_t size, size_t& count)
{
    for (;;) {
        const ssize_t done = read(int(handle_), buffer, size);
        if (done >= 0) {
            count = size_t(done);
            return true;
        }
        if (errno != EINTR)
            return false;
    }
}

bool ToLocalCalendar(int64_t unixSeconds, CalendarTime& local)
{
    // Windows shifts every file time by the offset from UTC in force now,
    // not the one of the file's own date; the same here, so both systems
    // write the same DOS times.
    const time_t now = time(nullptr);
    struct tm nowLocal;
    if (!localtime_r(&now, &nowLocal))
        return false;
    const time_t shifted = time_t(unixSeconds + nowLocal.tm_gmtoff);
    struct tm parts;
    if (!gmtime_r(&shifted, &parts))
        return false;
    local = {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
             parts.tm_sec};
    return true;
}
