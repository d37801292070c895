#pragma once

#include <string>
#include <vector>

struct ZipEntry {
    std::string name;
    std::string bytes;
};

// Writes a ZIP archive of deflated entries, as the builder's archives and the
// skin files are made; false if any step fails.
bool WriteZip(const std::string& path, const std::vector<ZipEntry>& entries);
