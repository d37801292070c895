#pragma once

#include "SetupState.h"

class SetupLog;

// Copies every unpacked, verified entry of the run's private folder into
// folder (created with its parents when missing), replacing files of the
// same names there. Returns 0, or SetupExitCannotExtract when the folder
// cannot be made or an entry cannot be written into it.
DWORD ExtractEntries(const SetupState& state, const char* folder, SetupLog& log);

// Creates the folder and every missing folder above it. True when it exists
// as a folder afterwards.
bool CreateFolderPath(const char* folder);
