#include "ArchiveTimes.h"

#include <string.h>

namespace {

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;
constexpr int64_t kIntervalsPerSecond = 10000000LL;
// 2037-12-31 23:59:59 UTC.
constexpr int64_t kLastUnixTime = 2145916799LL;

int64_t FileTimeValue(const FILETIME& time)
{
    return int64_t(uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime);
}

uint32_t DosDateTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    uint32_t date = uint32_t(year - 1980) << 9 | uint32_t(month) << 5 | day;
    uint32_t clock = uint32_t(hour) << 11 | uint32_t(minute) << 5 | uint32_t(second / 2);
    return date << 16 | clock;
}

} // namespace

uint32_t ArchiveUnixTime(const FILETIME& time)
{
    int64_t seconds = (FileTimeValue(time) - kUnixEpochAsFileTime) / kIntervalsPerSecond;
    if (seconds < 0)
        return 0;
    if (seconds > kLastUnixTime)
        return uint32_t(kLastUnixTime);
    return uint32_t(seconds);
}

uint32_t ArchiveDosDateTime(const FILETIME& time)
{
    FILETIME local;
    SYSTEMTIME parts;
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &parts)) {
        // Times beyond what the system converts lie far outside the DOS range.
        return FileTimeValue(time) < kUnixEpochAsFileTime ? DosDateTime(1980, 1, 1, 0, 0, 0)
                                                          : DosDateTime(2037, 12, 31, 23, 59, 58);
    }
    if (parts.wYear < 1980)
        return DosDateTime(1980, 1, 1, 0, 0, 0);
    if (parts.wYear > 2037)
        return DosDateTime(2037, 12, 31, 23, 59, 58);
    return DosDateTime(parts.wYear, parts.wMonth, parts.wDay, parts.wHour, parts.wMinute,
                       parts.wSecond);
}

uint32_t ArchiveExternalAttributes(DWORD dosAttributes)
{
    uint32_t mode = (dosAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0x4000 : 0x8000;
    mode |= 0x0100;
    if (!(dosAttributes & FILE_ATTRIBUTE_READONLY))
        mode |= 0x0080;
    return mode << 16 | (dosAttributes & 0x37);
}

bool ArchiveStoresUncompressed(const char* storedName)
{
    static const char* const kStored[] = {".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"};
    size_t length = strlen(storedName);
    for (const char* suffix : kStored) {
        size_t suffixLength = strlen(suffix);
        if (length >= suffixLength && _stricmp(storedName + length - suffixLength, suffix) == 0)
            return true;
    }
    return false;
}
