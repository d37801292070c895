#include "SourceFile.h"

#include <windows.h>

namespace {

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;
constexpr int64_t kIntervalsPerSecond = 10000000LL;

int64_t UnixSeconds(const FILETIME& time)
{
    const int64_t value = int64_t(uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    // Floor division: a time before 1970 stays before it.
    const int64_t since = value - kUnixEpochAsFileTime;
    return since >= 0 ? since / kIntervalsPerSecond
                      : -((-since + kIntervalsPerSecond - 1) / kIntervalsPerSecond);
}

HANDLE Handle(intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

SourceFile::~SourceFile()
{
    if (handle_ != -1)
        CloseHandle(Handle(handle_));
}

bool SourceFile::Open(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    handle_ = reinterpret_cast<intptr_t>(file);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    facts_.size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    facts_.written = UnixSeconds(info.ftLastWriteTime);
    facts_.accessed = UnixSeconds(info.ftLastAccessTime);
    facts_.created = UnixSeconds(info.ftCreationTime);
    facts_.attributes = info.dwFileAttributes;
    return true;
}

bool SourceFile::Read(void* buffer, size_t size, size_t& count)
{
    DWORD done = 0;
    if (!ReadFile(Handle(handle_), buffer, DWORD(size), &done, nullptr))
        return false;
    count = done;
    return true;
}

bool ToLocalCalendar(int64_t unixSeconds, CalendarTime& local)
{
    const int64_t value = unixSeconds * kIntervalsPerSecond + kUnixEpochAsFileTime;
    if (value < 0)
        return false;
    FILETIME utc = {DWORD(value), DWORD(uint64_t(value) >> 32)};
    FILETIME shifted;
    SYSTEMTIME parts;
    if (!FileTimeToLocalFileTime(&utc, &shifted) || !FileTimeToSystemTime(&shifted, &parts))
        return false;
    local = {parts.wYear, parts.wMonth, parts.wDay, parts.wHour, parts.wMinute, parts.wSecond};
    return true;
}
