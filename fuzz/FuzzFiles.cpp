#include "FuzzFiles.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

void RemoveTree(const std::string& path, bool self)
{
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string inner = path + "/" + name;
            if (entry->d_type == DT_DIR)
                RemoveTree(inner, true);
            else
                unlink(inner.c_str());
        }
        closedir(dir);
    }
    if (self)
        rmdir(path.c_str());
}

struct Folder {
    std::string path;
    Folder()
    {
        char pattern[] = "/tmp/velumo-fuzz-XXXXXX";
        if (!mkdtemp(pattern))
            FuzzFailure("cannot make a folder under /tmp");
        path = pattern;
    }
    ~Folder() { RemoveTree(path, true); }
};

} // namespace

const std::string& FuzzFolder()
{
    static Folder folder;
    return folder.path;
}

std::string WriteFuzzFile(const char* name, const uint8_t* data, size_t size)
{
    const std::string path = FuzzFolder() + "/" + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file || (size && fwrite(data, 1, size, file) != size) || fclose(file) != 0)
        FuzzFailure("cannot write the input file");
    return path;
}

std::string ReadFuzzFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void EmptyFuzzFolder(const std::string& folder)
{
    RemoveTree(folder, false);
}

void FuzzFailure(const char* what)
{
    fprintf(stderr, "fuzz target: broken promise: %s\n", what);
    fflush(stderr);
    abort();
}
