#include "TestFiles.h"

#include "LittleEndian.h"

#include <stdio.h>
#include <stdlib.h>

TempFolder::TempFolder()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static LONG counter = 0;
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%svelumo-test-%lu-%ld", base, GetCurrentProcessId(),
                 InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
        // Only a name clash is worth another attempt; a missing or unwritable
        // temporary folder would make this loop forever.
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            fprintf(stderr, "cannot create a folder in %s: %lu\n", base, GetLastError());
            abort();
        }
    }
}

TempFolder::~TempFolder()
{
    RemoveTree(path_);
}

bool RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryA(path.c_str()) != 0;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char buffer[65536];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    fclose(file);
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string OwnProgramPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string HostPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

std::string PatternBytes(size_t length, unsigned seed)
{
    std::string bytes(length, '\0');
    unsigned state = seed * 2654435761u + 12345;
    for (size_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345;
        // Never '!', so no run of these bytes can hold the marker.
        char c = static_cast<char>(state >> 16);
        bytes[i] = c == '!' ? '?' : c;
    }
    return bytes;
}

int CountEntries(const std::string& folder)
{
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

size_t CertificateDirectoryAt(const std::string& image)
{
    PeHeaders headers;
    if (ReadPeHeaders(image, headers) != PeHeadersResult::Sound ||
        headers.directories.size() <= kPeSecurityDirectory)
        return 0;
    return headers.DirectoryAt(kPeSecurityDirectory);
}

PeDirectory CertificateTable(const std::string& image)
{
    const size_t at = CertificateDirectoryAt(image);
    if (!at)
        return PeDirectory();
    return {ReadLittle32(&image[at]), ReadLittle32(&image[at + 4])};
}

void GrowCertificateTable(std::string& image, const std::string& bytes)
{
    const size_t directory = CertificateDirectoryAt(image);
    const uint32_t table = CertificateTable(image).address;
    image += bytes;
    const uint32_t length = uint32_t(image.size() - table);
    WriteLittle32(&image[table], length);
    WriteLittle32(&image[directory + 4], length);
}
