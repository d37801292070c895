#pragma once

#include <string>

// The outcome of one generation. Batch mode returns it as its exit code; what
// each one is called lies in one table (GenerateOutcome.cpp) that every
// builder reads: the window, batch mode and the builder for Linux.
enum GenerateResult {
    GenerateDone = 0,
    GenerateArchiveFailed = 2,
    GenerateInputMissing = 3,
    GenerateLibraryMissing = 4,
    GenerateStubFailed = 5,
    GenerateIconMalformed = 6,
    GenerateIconFailed = 7,
    GenerateAppendFailed = 8,
    GeneratePathTooLong = 9,
    GenerateOutputIsInput = 11,
    GenerateOutputNotAFile = 12,
    GenerateCheckFailed = 13,
    GenerateEntryRefused = 14,
    GenerateTooLarge = 15,
    GenerateSkinRefused = 16,
};

// What the window shows for a failure that has no words of its own, and when
// a generation cannot even be started.
extern const char kGenerationFailedText[];

// The words for a failure that the user can act on, made from its detail
// (the refused entry, the skin's first fault, the missing file); empty for
// the rest. Batch mode writes them to standard error.
std::string GenerateFailureMessage(GenerateResult result, const std::string& detail);
// What the window's message box says when the generation has ended.
std::string GenerateWindowText(GenerateResult result, const std::string& detail);
// What a build log is told: the failure's own words, else what it is.
std::string GenerateLogText(GenerateResult result, const std::string& detail);
