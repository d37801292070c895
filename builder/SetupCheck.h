#pragma once

#include <stddef.h>

#include <string>

// What reading a finished setup back, the way the setup stub will, found.
enum class SetupCheckResult {
    Sound,
    ContainerUnreadable, // the container cannot be found or copied out
    ArchiveDamaged,      // the archive does not open, an entry fails its CRC or size,
                         // its data is one the setup refuses (a library over 64 MB),
                         // or the entry count is not the one written
    EntryRefused,        // an entry name the setup would refuse, or a package
                         // that is not, or not alone, the one ".msi" entry
};

// True when the setup can unpack an entry of this name into the temporary
// folder of a typical machine and into the system folder.
bool IsUsableEntryName(const char* name);

// Copies the archive out of the container with the setup's own reader,
// opens it, reads every entry to check its CRC and size, and checks every
// name with the setup's rules; the first entry must be the only ".msi"
// package. On EntryRefused, refusedEntry names the entry. Works in a private
// folder under the user's temporary folder and removes it again.
SetupCheckResult CheckFinishedSetup(const char* setupPath, size_t expectedEntries,
                                    std::string& refusedEntry);
