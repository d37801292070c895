#pragma once

#include <string>

class ProgressSink;

// The outcome of one generation. Batch mode returns it as its exit code.
enum GenerateResult {
    GenerateDone = 0,
    GenerateArchiveFailed = 2,  // the temporary archive cannot be created or written
    GenerateInputMissing = 3,   // the MSI or skin file is missing or unreadable
    GenerateLibraryMissing = 4, // the skin engine is missing from the builder folder, or a
                                // runtime library there cannot be read
    GenerateStubFailed = 5,     // "Runlet.exe" cannot be copied beside the output, or the
                                // finished setup cannot replace the output (locked)
    GenerateIconMalformed = 6,  // not an icon, no image, or shorter than it announces
    GenerateIconFailed = 7,     // the icon update began but did not complete
    GenerateAppendFailed = 8,   // the container could not be appended
    GeneratePathTooLong = 9,    // a path does not fit in 259 bytes
    GenerateOutputIsInput = 11, // the output names a file that generation reads
    GenerateOutputNotAFile = 12, // the output names no plain file: a device (NUL, COM1),
                                 // a stream, or no file name
    GenerateCheckFailed = 13,   // the finished setup did not read back as the stub reads it
    GenerateEntryRefused = 14,  // an entry name that the setup would refuse
    GenerateTooLarge = 15,      // the setup would pass 4 GiB - 1, which its container cannot address
    GenerateSkinRefused = 16,   // the skin engine would refuse the skin (SkinDescription.h)
};

// Everything one generation needs, passed in by whoever starts it: the
// window, the batch mode, the builder for Linux or a test.
struct GenerationRequest {
    const char* msiPath = nullptr;
    const char* skinPath = nullptr;
    const char* outputPath = nullptr;
    const char* iconPath = nullptr;  // null or empty: the stub's own icons
    // The folder that holds "Runlet.exe", the skin engine and the runtime
    // libraries, with its final separator.
    std::string payloadFolder;
    // Where the archive is written while the setup is made; removed at the end.
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

// The text that tells the user which entry name the setup would refuse.
std::string RefusedEntryMessage(const std::string& entry);
// What a failure that the user can act on is, in words; empty for the rest.
std::string GenerateFailureMessage(GenerateResult result, const std::string& detail);
