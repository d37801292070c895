#pragma once

#include "GenerateOutcome.h"

#include <string>

class ProgressSink;

// Everything one generation needs, passed in by whoever starts it: the
// window, the batch mode, the builder for Linux or a test.
struct GenerationRequest {
    std::string msiPath;
    std::string skinPath;
    std::string outputPath;
    std::string iconPath;  // empty: the stub's own icons
    // The folder that holds "Runlet.exe", the skin engine and the runtime
    // libraries, with its final separator.
    std::string payloadFolder;
    // Where the archive is written while the setup is made; removed at the end.
    // Its name is the one every setup's container gives: ArchivePathIn.
    std::string archivePath;
    ProgressSink* progress = nullptr;
};

// Writes a setup program at outputPath: a copy of the payload's "Runlet.exe"
// with the icon file's images, followed by a package container that holds
// the archive of the MSI, the skin, the skin engine and those of the five
// runtime libraries that lie in the payload folder. The setup is finished
// and read back under a temporary name beside the output and then renamed
// over it: on failure neither the archive nor a temporary file is left
// behind, and a file already at outputPath is untouched. detail names what a
// failure is about: the refused entry, the skin's first fault
// ("Brand.skf:12: ..."), or the path of a missing engine, runtime library or
// stub.
GenerateResult GenerateSetup(const GenerationRequest& request, std::string& detail);

// The archive's path in a folder that ends with its separator.
std::string ArchivePathIn(const std::string& folder);
