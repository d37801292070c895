#pragma once

// What the fuzz targets share: the parsers under test read files, so each
// input is written to a file in one private folder per process.

#include <stddef.h>
#include <stdint.h>

#include <string>

// The process's own folder under /tmp, made on first use and removed at exit.
const std::string& FuzzFolder();
// Writes the bytes to name in that folder; the path, or aborts.
std::string WriteFuzzFile(const char* name, const uint8_t* data, size_t size);
// The whole file, or empty when it cannot be read.
std::string ReadFuzzFile(const std::string& path);
// Removes everything in a folder of FuzzFolder() (not the folder itself).
void EmptyFuzzFolder(const std::string& folder);

// A broken promise of the code under test: print it and abort, so that
// libFuzzer keeps the input as a crash.
[[noreturn]] void FuzzFailure(const char* what);
#define FUZZ_ASSERT(condition) \
    ((condition) ? (void)0 : FuzzFailure(__FILE__ ": " #condition))
