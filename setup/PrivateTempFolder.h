#pragma once

#include <windows.h>

// A folder of the run's own inside the user's temporary folder. A fresh,
// unique name keeps two setups from clobbering each other's files and keeps
// other processes from planting a file under a name the run will load.
class PrivateTempFolder {
public:
    PrivateTempFolder() { path_[0] = '\0'; }
    ~PrivateTempFolder() { Remove(); }
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    // Creates the folder. False when no folder could be created.
    bool Create();
    // Deletes every file left in the folder, then the folder itself.
    void Remove();

    bool created() const { return path_[0] != '\0'; }
    // The folder's path, ending in a backslash.
    const char* path() const { return path_; }

private:
    char path_[MAX_PATH];
};
