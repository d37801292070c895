#include "TestZip.h"

#include <zip.h>
#ifdef _WIN32
// After zip.h, which brings the declarations it builds on.
#include <iowin32.h>
#endif

bool WriteZip(const std::string& path, const std::vector<ZipEntry>& entries)
{
    zlib_filefunc64_def files;
#ifdef _WIN32
    fill_win32_filefunc64A(&files);
#else
    fill_fopen64_filefunc(&files);
#endif
    zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &files);
    if (!zip)
        return false;
    bool ok = true;
    for (const ZipEntry& entry : entries) {
        zip_fileinfo info = {};
        info.tmz_date = {0, 0, 12, 1, 5, 2024};
        ok = ok &&
             zipOpenNewFileInZip(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 Z_DEFLATED, 8) == ZIP_OK &&
             zipWriteInFileInZip(zip, entry.bytes.data(), unsigned(entry.bytes.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}
