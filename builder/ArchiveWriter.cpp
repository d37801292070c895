#include "ArchiveWriter.h"

#include "ArchiveTimes.h"

#include <commctrl.h>
// zip.h brings zlib.h and ioapi.h, which iowin32.h needs first.
#include <zip.h>
#include <iowin32.h>

#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>

namespace {

// The "version made by" word of every entry: host byte 0x0B, version 2.3.
constexpr uLong kVersionMadeBy = 0x0B17;
constexpr int kCompressionLevel = 8;
// Input is fed to the compressor in blocks of this size; progress is
// reported after each.
constexpr DWORD kBlockSize = 64 * 1024;

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

void PutU32(unsigned char* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Extended timestamp: header id 0x5455 ("UT"), then its data size, then a
// flags byte saying modification, access and creation time follow. The
// central directory carries the modification time only.
void ExtendedTimestamp(const BY_HANDLE_FILE_INFORMATION& info, unsigned char (&local)[17],
                       unsigned char (&central)[9])
{
    const unsigned char head[] = {'U', 'T', 13, 0, 7};
    memcpy(local, head, sizeof head);
    PutU32(local + 5, ArchiveUnixTime(info.ftLastWriteTime));
    PutU32(local + 9, ArchiveUnixTime(info.ftLastAccessTime));
    PutU32(local + 13, ArchiveUnixTime(info.ftCreationTime));
    const unsigned char centralHead[] = {'U', 'T', 5, 0, 7};
    memcpy(central, centralHead, sizeof centralHead);
    PutU32(central + 5, ArchiveUnixTime(info.ftLastWriteTime));
}

void SendProgress(HWND progressBar, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (progressBar)
        SendMessageA(progressBar, message, wParam, lParam);
}

// Deflates one entry block by block into the archive and, after each block,
// tells the progress bar how much of the input has been consumed.
class EntryCompressor {
public:
    EntryCompressor(void* zip, HWND progressBar, uint64_t size)
        : zip_(zip), bar_(progressBar), size_(size)
    {
    }
    ~EntryCompressor()
    {
        if (begun_)
            deflateEnd(&stream_);
    }
    EntryCompressor(const EntryCompressor&) = delete;
    EntryCompressor& operator=(const EntryCompressor&) = delete;

    ArchiveWriter::AddResult Begin()
    {
        if (deflateInit2(&stream_, kCompressionLevel, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL,
                         Z_DEFAULT_STRATEGY) != Z_OK)
            return ArchiveWriter::WriteFailed;
        begun_ = true;
        SendProgress(bar_, PBM_SETRANGE32, 0, 100);
        SendProgress(bar_, PBM_SETPOS, 0, 0);
        return ArchiveWriter::Added;
    }

    // Feeds count bytes; the last call (with finish) flushes the compressor.
    bool Feed(const char* data, DWORD count, bool finish)
    {
        consumed_ += count;
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream_.avail_in = count;
        int status;
        do {
            stream_.next_out = output_;
            stream_.avail_out = sizeof output_;
            status = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR)
                return false;
            const unsigned produced = unsigned(sizeof output_ - stream_.avail_out);
            if (produced && zipWriteInFileInZip(zip_, output_, produced) != ZIP_OK)
                return false;
        } while (stream_.avail_out == 0 || stream_.avail_in != 0);
        if (finish && status != Z_STREAM_END)
            return false;
        if (!finish && size_ > 0) {
            double share = double(consumed_) / double(size_) * 100.0;
            if (share > 100.0) // the file grew while being read
                share = 100.0;
            SendProgress(bar_, PBM_SETPOS, WPARAM(int(share)), 0);
        }
        return true;
    }

    void Finish()
    {
        if (begun_)
            SendProgress(bar_, PBM_SETPOS, 100, 0);
    }

private:
    void* zip_;
    HWND bar_;
    uint64_t size_;
    uint64_t consumed_ = 0;
    bool begun_ = false;
    z_stream stream_ = {};
    Bytef output_[kBlockSize];
};

} // namespace

ArchiveWriter::~ArchiveWriter()
{
    Close();
}

bool ArchiveWriter::Create(const char* archivePath)
{
    Close();
    zlib_filefunc64_def io;
    fill_win32_filefunc64A(&io);
    zip_ = zipOpen2_64(archivePath, APPEND_STATUS_CREATE, nullptr, &io);
    return zip_ != nullptr;
}

ArchiveWriter::AddResult ArchiveWriter::Add(const char* sourcePath, const char* storedName,
                                            HWND progressBar)
{
    if (!zip_)
        return WriteFailed;
    HandleCloser source{CreateFileA(sourcePath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (source.handle == INVALID_HANDLE_VALUE)
        return SourceUnreadable;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(source.handle, &info))
        return SourceUnreadable;
    const uint64_t size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;

    std::string name(storedName);
    for (char& c : name) {
        if (c == '\\')
            c = '/';
    }
    const bool stored = ArchiveStoresUncompressed(storedName);

    zip_fileinfo fileInfo = {};
    fileInfo.dosDate = ArchiveDosDateTime(info.ftLastWriteTime);
    fileInfo.internal_fa = 0;
    fileInfo.external_fa = ArchiveExternalAttributes(info.dwFileAttributes);
    unsigned char localExtra[17];
    unsigned char centralExtra[9];
    ExtendedTimestamp(info, localExtra, centralExtra);

    // Deflated entries are compressed here and handed to minizip raw: that
    // way the entry's internal attributes stay 0 (minizip's own deflate marks
    // text-like files), and progress is reported between input blocks.
    // Level 0 for stored entries keeps their flag word clear; minizip sets
    // bit 1 for level 8 by itself. No zip64: a package is far below 4 GiB.
    if (zipOpenNewFileInZip4_64(zip_, name.c_str(), &fileInfo, localExtra, sizeof localExtra,
                                centralExtra, sizeof centralExtra, nullptr,
                                stored ? 0 : Z_DEFLATED, stored ? 0 : kCompressionLevel, 1,
                                -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                kVersionMadeBy, 0, 0) != ZIP_OK)
        return WriteFailed;

    EntryCompressor compressor(zip_, stored ? nullptr : progressBar, size);
    AddResult result = stored ? Added : compressor.Begin();
    std::unique_ptr<char[]> block(new char[kBlockSize]);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t processed = 0;
    while (result == Added) {
        DWORD count = 0;
        if (!ReadFile(source.handle, block.get(), kBlockSize, &count, nullptr)) {
            result = SourceUnreadable;
            break;
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(block.get()), count);
        processed += count;
        const bool last = count == 0;
        if (stored) {
            if (!last && zipWriteInFileInZip(zip_, block.get(), count) != ZIP_OK)
                result = WriteFailed;
        } else if (!compressor.Feed(block.get(), count, last)) {
            result = WriteFailed;
        }
        if (last)
            break;
    }
    if (zipCloseFileInZipRaw64(zip_, processed, crc) != ZIP_OK && result == Added)
        result = WriteFailed;
    if (result == Added)
        compressor.Finish();
    return result;
}

bool ArchiveWriter::Close()
{
    if (!zip_)
        return false;
    bool closed = zipClose(zip_, nullptr) == ZIP_OK;
    zip_ = nullptr;
    return closed;
}
