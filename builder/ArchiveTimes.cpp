#include "ArchiveTimes.h"

#include "SourceFile.h"

#include <ctype.h>
#include <string.h>

namespace {

// 2037-12-31 23:59:59 UTC.
constexpr int64_t kLastUnixTime = 2145916799LL;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kReadOnly = 0x01;

uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second)
{
    uint32_t date = uint32_t(year - 1980) << 9 | uint32_t(month) << 5 | uint32_t(day);
    uint32_t clock = uint32_t(hour) << 11 | uint32_t(minute) << 5 | uint32_t(second / 2);
    return date << 16 | clock;
}

bool EndsWithNoCase(const char* text, const char* suffix)
{
    const size_t length = strlen(text), suffixLength = strlen(suffix);
    if (length < suffixLength)
        return false;
    text += length - suffixLength;
    for (size_t i = 0; i < suffixLength; ++i) {
        if (tolower(uint8_t(text[i])) != tolower(uint8_t(suffix[i])))
            return false;
    }
    return true;
}

} // namespace

uint32_t ArchiveUnixTime(int64_t unixSeconds)
{
    if (unixSeconds < 0)
        return 0;
    if (unixSeconds > kLastUnixTime)
        return uint32_t(kLastUnixTime);
    return uint32_t(unixSeconds);
}

uint32_t ArchiveDosDateTime(int64_t unixSeconds)
{
    CalendarTime local;
    if (!ToLocalCalendar(unixSeconds, local)) {
        // Times beyond what the system converts lie far outside the DOS range.
        return unixSeconds < 0 ? DosDateTime(1980, 1, 1, 0, 0, 0)
                               : DosDateTime(2037, 12, 31, 23, 59, 58);
    }
    if (local.year < 1980)
        return DosDateTime(1980, 1, 1, 0, 0, 0);
    if (local.year > 2037)
        return DosDateTime(2037, 12, 31, 23, 59, 58);
    return DosDateTime(local.year, local.month, local.day, local.hour, local.minute, local.second);
}

uint32_t ArchiveExternalAttributes(uint32_t dosAttributes)
{
    uint32_t mode = (dosAttributes & kDirectory) ? 0x4000 : 0x8000;
    mode |= 0x0100;
    if (!(dosAttributes & kReadOnly))
        mode |= 0x0080;
    return mode << 16 | (dosAttributes & 0x37);
}

bool ArchiveStoresUncompressed(const char* storedName)
{
    static const char* const kStored[] = {".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"};
    for (const char* suffix : kStored) {
        if (EndsWithNoCase(storedName, suffix))
            return true;
    }
    return false;
}
