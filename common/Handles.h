#pragma once

#include "UniqueHandle.h"

#include <stdio.h>

// Handles that both systems have.
struct StdioFileTraits {
    using Handle = FILE*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle file) { fclose(file); }
};
using StdioFile = UniqueHandle<StdioFileTraits>;

#ifdef _WIN32
#include <windows.h>

// A kernel object that CreateFile and its kin return INVALID_HANDLE_VALUE for.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// A kernel object whose functions return null when they fail (tokens, events).
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;
#endif
