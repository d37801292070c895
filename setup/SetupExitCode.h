#pragma once

#include <windows.h>

// What Runlet.exe returns. When Windows Installer ran, its own result is
// passed on unchanged (0, 1602 cancelled, 3010 restart needed, ...). The
// stub's own failures use Windows error codes that the installer does not
// return for a package it could open, so a caller can tell them apart.
enum SetupExitCode : DWORD {
    SetupExitUsageShown = ERROR_SUCCESS,
    // The program file carries no package container, or its trailer, offset or
    // name record is damaged.
    SetupExitNoContainer = ERROR_BAD_FORMAT,                // 11
    // The archive copied out of the container cannot be opened as a ZIP
    // archive, an entry's data fails its check, an entry's name would leave
    // the folder it belongs in or names a device, an entry is encrypted or
    // compressed by another method than stored or deflate, two entries share
    // a name, two are packages, a library entry is larger than 64 MB, the
    // archive has more than 256 entries, or entries share bytes of the
    // archive or lie outside it.
    SetupExitArchiveUnreadable = ERROR_FILE_CORRUPT,        // 1392
    // The private temporary folder, the archive copy or an entry of the
    // temporary folder cannot be written.
    SetupExitCannotWrite = ERROR_WRITE_FAULT,               // 29
    // The archive holds no installation package (.msi entry).
    SetupExitNoPackage = ERROR_FILE_NOT_FOUND,              // 2
    // Windows Installer (msi.dll) cannot be loaded from the system folder.
    SetupExitNoInstaller = ERROR_MOD_NOT_FOUND,             // 126
    // The archive's entries together would not fit into the free space of
    // the temporary folder's volume.
    SetupExitDiskFull = ERROR_DISK_FULL,                    // 112
    // /x: the target folder cannot be created, or an entry cannot be
    // written into it.
    SetupExitCannotExtract = ERROR_CANNOT_MAKE,             // 82
    // /x without a folder: nothing is installed in its place.
    SetupExitBadSwitch = ERROR_INVALID_PARAMETER,           // 87
};
