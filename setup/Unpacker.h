#pragma once

#include "SetupState.h"

class SetupLog;
class StatusWindow;

// Unpacks the ZIP archive state.archiveFile: the package, the skin, the
// engine and any other file into state.tempFolder, each runtime library into
// state.systemFolder unless a file of that name is there already. Fills
// state.entries and the indexes. Returns 0, or the SetupExitCode that ends
// the run.
//
// Every name is checked before anything is written, and every entry is
// unpacked and verified in the temporary folder before the first library
// goes into the system folder: a damaged or hostile archive writes nothing
// outside the temporary folder.
// Each entry, where it went and a refusal's reason go to the log.
DWORD UnpackArchive(SetupState& state, StatusWindow& status, SetupLog& log);
