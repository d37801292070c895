#pragma once

#include <string>
#include <vector>

// The file operations of a generation that differ by system: where the
// setup is written, and what may be written over.

bool PathExists(const char* path);
// True when both paths name one existing file, whatever their spelling.
bool SameFile(const char* a, const char* b);
// The name after the path's last separator.
std::string FileNamePart(const char* path);
// False for an output that would not hold the setup where the packager
// looks for it: a device, a stream, a folder, no file name at all.
bool OutputIsPlainFile(const char* outputPath);
// The names of the plain files in a folder that ends with its separator, in
// no particular order; empty when it cannot be read.
std::vector<std::string> FileNamesIn(const std::string& folder);

// The finished setup is written under a temporary name beside the output and
// only renamed over it when every step has succeeded, so that a failure
// leaves the packager's existing file as it was. Removes the file unless
// Commit succeeded.
class PendingOutput {
public:
    PendingOutput() = default;
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Creates an empty file with a unique name in the output's folder.
    bool Create(const char* outputPath);
    // Copies the stub over it; the copy is writable even when the stub is not.
    bool CopyStub(const char* stubPath);
    const char* path() const { return path_.c_str(); }
    // A read-only output is one the packager protected, and stays.
    bool Commit(const char* outputPath);

private:
    std::string path_;
};

// A new, private folder under the user's temporary folder, removed with the
// one file the caller names for removal.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    void RemoveLater(const char* file) { file_ = file; }

private:
    std::string path_;
    std::string file_;
};
