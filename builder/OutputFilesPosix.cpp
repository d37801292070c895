#include "OutputFiles.h"

#include "WholeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A setup is a program: executable, as far as the user's umask allows.
mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0777 & ~mask;
}

} // namespace

bool PathExists(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0;
}

bool SameFile(const char* a, const char* b)
{
    struct stat infoA, infoB;
    return stat(a, &infoA) == 0 && stat(b, &infoB) == 0 && infoA.st_dev == infoB.st_dev &&
           infoA.st_ino == infoB.st_ino;
}

std::string FileNamePart(const char* path)
{
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

bool OutputIsPlainFile(const char* outputPath)
{
    struct stat info;
    if (FileNamePart(outputPath).empty())
        return false;
    return stat(outputPath, &info) != 0 || S_ISREG(info.st_mode);
}

std::vector<std::string> FileNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return names;
    while (const dirent* entry = readdir(listing)) {
        struct stat info;
        const std::string name = entry->d_name;
        if (stat((folder + name).c_str(), &info) == 0 && S_ISREG(info.st_mode))
            names.push_back(name);
    }
    closedir(listing);
    return names;
}

PendingOutput::~PendingOutput()
{
    if (!path_.empty())
        unlink(path_.c_str());
}

bool PendingOutput::Create(const char* outputPath)
{
    std::string folder(outputPath, outputPath + (strlen(outputPath) - FileNamePart(outputPath).size()));
    std::string pattern = (folder.empty() ? std::string("./") : folder) + "vlmXXXXXX";
    const int file = mkstemp(&pattern[0]);
    if (file < 0)
        return false;
    close(file);
    path_ = pattern;
    return true;
}

bool PendingOutput::CopyStub(const char* stubPath)
{
    std::string stub;
    return ReadWholeFile(stubPath, UINT32_MAX, stub) == WholeFileResult::Done &&
           WriteWholeFile(path(), stub) == WholeFileResult::Done &&
           chmod(path(), NewFileMode()) == 0;
}

bool PendingOutput::Commit(const char* outputPath)
{
    struct stat info;
    if (stat(outputPath, &info) == 0 && !(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        return false;
    // Renamed before its bytes are on the disk, the setup could replace the
    // packager's earlier one with an empty file if the machine went down.
    const int written = open(path(), O_WRONLY);
    if (written < 0)
        return false;
    const bool synced = fsync(written) == 0;
    if (close(written) != 0 || !synced)
        return false;
    if (rename(path(), outputPath) != 0)
        return false;
    path_.clear();
    return true;
}

ScratchFolder::ScratchFolder()
{
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/OrnixCheck-XXXXXX";
    if (mkdtemp(&pattern[0]))
        path_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    if (!file_.empty())
        unlink(file_.c_str());
    if (!path_.empty())
        rmdir(path_.c_str());
}
