#pragma once

#include "PeHeaders.h"

#include <windows.h>

#include <string>

// A private folder under the user's temporary folder, removed with all its
// contents when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder without a final backslash.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

bool RemoveTree(const std::string& path);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
std::string OwnProgramPath();
// A path of the build machine as Wine's Z: drive shows it.
std::string HostPath(const std::string& unixPath);
std::string FolderOf(const std::string& path);
// Bytes of a given length that no test mistakes for a marker.
std::string PatternBytes(size_t length, unsigned seed = 1);
// Entries of a folder, without "." and "..".
int CountEntries(const std::string& folder);

// The certificate table of a program held in memory, by its headers: where
// its directory entry lies (0 when the headers have none), and what the entry
// says.
size_t CertificateDirectoryAt(const std::string& image);
PeDirectory CertificateTable(const std::string& image);
// Appends bytes inside the certificate table that ends the program: the
// table's own length and its directory entry grow to cover them. The table
// lies outside the signed hash, so a signature still verifies.
void GrowCertificateTable(std::string& image, const std::string& bytes);
