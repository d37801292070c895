#pragma once

#include "UniqueHandle.h"

#include <unzip.h>

// An archive opened for reading by minizip.
struct ZipReaderTraits {
    using Handle = unzFile;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle archive) { unzClose(archive); }
};
using ZipReader = UniqueHandle<ZipReaderTraits>;
