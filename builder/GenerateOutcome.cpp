#include "GenerateOutcome.h"

namespace {

// The folder as the packager would type it: without its final separator.
std::string FolderForMessage(const std::string& folder)
{
    if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        return folder.substr(0, folder.size() - 1);
    return folder;
}

// The stub's other failures (the output cannot be replaced) name no file.
std::string MissingFile(const std::string& path)
{
    if (path.empty())
        return std::string();
    const size_t separator = path.find_last_of("/\\");
    if (separator == std::string::npos)
        return path + " is missing";
    return path.substr(separator + 1) + " is missing from " +
           FolderForMessage(path.substr(0, separator + 1));
}

std::string RefusedEntry(const std::string& entry)
{
    return "The setup cannot unpack a file named \"" + entry +
           "\": the name is too long or not a plain file name, or the package is not the "
           "one .msi file.";
}

std::string TooLarge(const std::string&)
{
    return "The setup would be larger than 4 GB, the most a setup program can hold.";
}

std::string SkinRefused(const std::string& fault)
{
    return "the skin is refused: " + fault;
}

struct Outcome {
    GenerateResult code;
    // What it is, for a build log.
    const char* explanation;
    // The words made from the failure's detail, or null when it has none.
    std::string (*words)(const std::string& detail);
    // What the window shows when there are no words.
    const char* shown;
};

const Outcome kOutcomes[] = {
    {GenerateDone, "the setup was generated", nullptr, "Generated Successfully"},
    {GenerateArchiveFailed, "the temporary archive cannot be created or written", nullptr,
     kGenerationFailedText},
    {GenerateInputMissing, "the MSI or skin file is missing or unreadable", nullptr,
     kGenerationFailedText},
    {GenerateLibraryMissing,
     "VelumoDll.dll or a runtime library cannot be read from the payload folder", MissingFile,
     kGenerationFailedText},
    {GenerateStubFailed,
     "Runlet.exe cannot be copied beside the output, or the output cannot be replaced",
     MissingFile, kGenerationFailedText},
    {GenerateIconMalformed, "the icon file is malformed", nullptr, kGenerationFailedText},
    {GenerateIconFailed, "the icon images could not be written into the output", nullptr,
     kGenerationFailedText},
    {GenerateAppendFailed, "the package could not be appended to the output", nullptr,
     kGenerationFailedText},
    {GeneratePathTooLong, "a path does not fit in 259 bytes", nullptr, kGenerationFailedText},
    {GenerateOutputIsInput, "the output names a file that generation reads", nullptr,
     kGenerationFailedText},
    {GenerateOutputNotAFile, "the output names no plain file", nullptr, kGenerationFailedText},
    {GenerateCheckFailed, "the finished setup does not read back as a setup reads it", nullptr,
     kGenerationFailedText},
    {GenerateEntryRefused, "an entry name that the setup would refuse", RefusedEntry,
     kGenerationFailedText},
    {GenerateTooLarge, "the setup would be larger than its container can address", TooLarge,
     kGenerationFailedText},
    {GenerateSkinRefused, "the skin engine would refuse the skin", SkinRefused,
     kGenerationFailedText},
};

// A code the table does not know, should one be added without a row, is
// still told in words.
const char kUnknownExplanation[] = "generation failed";

const Outcome* OutcomeOf(GenerateResult result)
{
    for (const Outcome& outcome : kOutcomes) {
        if (outcome.code == result)
            return &outcome;
    }
    return nullptr;
}

} // namespace

const char kGenerationFailedText[] = "Can't create zip file";

std::string GenerateFailureMessage(GenerateResult result, const std::string& detail)
{
    const Outcome* outcome = OutcomeOf(result);
    return outcome && outcome->words ? outcome->words(detail) : std::string();
}

std::string GenerateWindowText(GenerateResult result, const std::string& detail)
{
    const std::string words = GenerateFailureMessage(result, detail);
    const Outcome* outcome = OutcomeOf(result);
    return !words.empty() ? words : outcome ? outcome->shown : kGenerationFailedText;
}

std::string GenerateLogText(GenerateResult result, const std::string& detail)
{
    const std::string words = GenerateFailureMessage(result, detail);
    const Outcome* outcome = OutcomeOf(result);
    return !words.empty() ? words : outcome ? outcome->explanation : kUnknownExplanation;
}
