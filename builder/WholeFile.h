#pragma once

#include <stdint.h>

#include <string>

// Files the builder reads or writes as a whole: the stub, an icon file.
enum class WholeFileResult {
    Done,
    CannotOpen,
    Failed,  // a read or write error, or more than the limit
};

WholeFileResult ReadWholeFile(const char* path, uint64_t limit, std::string& bytes);
// Replaces the file's content; a file that could not be written whole is
// reported as failed, and its caller removes it.
WholeFileResult WriteWholeFile(const char* path, const std::string& bytes);
