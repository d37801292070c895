#pragma once

#include <stddef.h>

#include <string>

// What reading a finished setup back, the way the setup stub will, found.
enum class SetupCheckResult {
    Sound,
    ContainerUnreadable, // the container cannot be found or read
    ArchiveDamaged,      // the archive does not open, an entry fails its CRC or size,
                         // its data is one the setup refuses (a library over 64 MB),
                         // or the entry count is not the one written
    EntryRefused,        // an entry name the setup would refuse, or a package
                         // that is not, or not alone, the one ".msi" entry
};

// True when the setup can unpack an entry of this name into the temporary
// folder of a typical machine and into the system folder.
bool IsUsableEntryName(const char* name);

// Finds the archive in the container with the setup's own reader, opens it
// where it lies, reads every entry to check its CRC and size (entries on
// every core, each as the setup's unzip code reads it), and checks every
// name with the setup's rules; the first entry must be the only ".msi"
// package. On EntryRefused, refusedEntry names the entry. Writes nothing.
SetupCheckResult CheckFinishedSetup(const char* setupPath, size_t expectedEntries,
                                    std::string& refusedEntry);
