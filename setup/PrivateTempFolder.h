#pragma once

#include <windows.h>

#include <vector>

// The security descriptor a private folder is created with, and the memory
// it points into.
struct PrivateFolderSecurity {
    PrivateFolderSecurity() = default;
    // The descriptor points into the vectors: a copy would point into these.
    PrivateFolderSecurity(const PrivateFolderSecurity&) = delete;
    PrivateFolderSecurity& operator=(const PrivateFolderSecurity&) = delete;

    SECURITY_DESCRIPTOR descriptor;
    std::vector<BYTE> user, system, administrators, acl;
};

// A protected access list, inherited by the folder's files: full control for
// the current user, SYSTEM and Administrators; when the process runs
// elevated, for SYSTEM and Administrators only. False when the process's
// token cannot be read.
bool MakePrivateFolderSecurity(PrivateFolderSecurity& security);

// A folder of the run's own inside the user's temporary folder. A fresh,
// unique name keeps two setups from clobbering each other's files and keeps
// other processes from planting a file under a name the run will load.
class PrivateTempFolder {
public:
    PrivateTempFolder() { path_[0] = '\0'; }
    ~PrivateTempFolder() { Remove(); }
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    // Creates the folder with a protected access list of its own: full
    // control for the current user, SYSTEM and Administrators, nothing
    // inherited from the temporary folder; for an elevated process SYSTEM
    // and Administrators only. False when no folder could be created.
    bool Create();
    // Deletes every file left in the folder, then the folder itself.
    void Remove();

    bool created() const { return path_[0] != '\0'; }
    // The folder's path, ending in a backslash.
    const char* path() const { return path_; }

private:
    char path_[MAX_PATH];
};
