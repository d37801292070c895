#pragma once

#include <stdint.h>

// How a source file's times and attributes look inside the package archive.

// Unix time clamped to 1970-01-01 .. 2037-12-31 23:59:59 UTC, so that it
// fits the signed 32-bit fields of the "UT" extra field.
uint32_t ArchiveUnixTime(int64_t unixSeconds);

// DOS date (high word) and time (low word) in local time, as ZIP tools write
// them. After 2037 the date is 2037-12-31 23:59:58. Before 1980, which the
// DOS format cannot hold, it is the format's first day, 1980-01-01 00:00:00.
uint32_t ArchiveDosDateTime(int64_t unixSeconds);

// Windows' attribute bits masked with 0x37 in the low byte and a Unix mode
// in the high word: regular file or directory, owner read, and owner write
// unless read-only.
uint32_t ArchiveExternalAttributes(uint32_t dosAttributes);

// True for names that are already compressed archives and are stored as they
// are: ".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz", any case.
bool ArchiveStoresUncompressed(const char* storedName);
