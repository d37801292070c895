#include "ArchiveWriter.h"

#include "ArchiveTimes.h"
#include "LittleEndian.h"
#include "ParallelDeflate.h"
#include "SourceFile.h"

// zip.h brings zlib.h and ioapi.h, which iowin32.h needs first.
#include <zip.h>
#ifdef _WIN32
#include <iowin32.h>
#endif

#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>

namespace {

// The "version made by" word of every entry: host byte 0x0B, version 2.3.
constexpr uLong kVersionMadeBy = 0x0B17;
constexpr int kCompressionLevel = 8;
// Input is read in blocks of the compressor's size.
constexpr size_t kReadSize = ParallelDeflate::kBlockSize;

// Extended timestamp: header id 0x5455 ("UT"), then its data size, then a
// flags byte saying modification, access and creation time follow. The
// central directory carries the modification time only.
void ExtendedTimestamp(const SourceFile::Facts& facts, unsigned char (&local)[17],
                       unsigned char (&central)[9])
{
    const unsigned char head[] = {'U', 'T', 13, 0, 7};
    memcpy(local, head, sizeof head);
    WriteLittle32(local + 5, ArchiveUnixTime(facts.written));
    WriteLittle32(local + 9, ArchiveUnixTime(facts.accessed));
    WriteLittle32(local + 13, ArchiveUnixTime(facts.created));
    const unsigned char centralHead[] = {'U', 'T', 5, 0, 7};
    memcpy(central, centralHead, sizeof centralHead);
    WriteLittle32(central + 5, ArchiveUnixTime(facts.written));
}

// Deflates one entry on every core into the archive and, as each block's
// output is written, tells the progress bar how much of the input that
// output stands for.
class EntryCompressor {
public:
    EntryCompressor(void* zip, ProgressSink* progress, uint64_t size)
        : progress_(progress),
          deflate_(kCompressionLevel,
                   [zip, progress, size](const unsigned char* data, size_t count,
                                         uint64_t inputDone) {
                       if (count && zipWriteInFileInZip(zip, data, unsigned(count)) != ZIP_OK)
                           return false;
                       if (progress && size > 0) {
                           double share = double(inputDone) / double(size) * 100.0;
                           if (share > 100.0) // the file grew while being read
                               share = 100.0;
                           progress->EntryProgress(int(share));
                       }
                       return true;
                   })
    {
        if (progress_)
            progress_->EntryBegun();
    }

    bool Feed(const char* data, size_t count) { return deflate_.Write(data, count); }
    bool Finish()
    {
        if (!deflate_.Finish())
            return false;
        if (progress_)
            progress_->EntryProgress(100);
        return true;
    }
    uLong Crc() const { return deflate_.Crc(); }

private:
    ProgressSink* progress_;
    ParallelDeflate deflate_;
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
#ifdef _WIN32
    fill_win32_filefunc64A(&io);
#else
    fill_fopen64_filefunc(&io);
#endif
    zip_ = zipOpen2_64(archivePath, APPEND_STATUS_CREATE, nullptr, &io);
    return zip_ != nullptr;
}

ArchiveWriter::AddResult ArchiveWriter::Add(const char* sourcePath, const char* storedName,
                                            ProgressSink* progress)
{
    if (!zip_)
        return WriteFailed;
    SourceFile source;
    if (!source.Open(sourcePath))
        return SourceUnreadable;
    const SourceFile::Facts& facts = source.facts();

    std::string name(storedName);
    for (char& c : name) {
        if (c == '\\')
            c = '/';
    }
    const bool stored = ArchiveStoresUncompressed(storedName);

    zip_fileinfo fileInfo = {};
    fileInfo.dosDate = ArchiveDosDateTime(facts.written);
    fileInfo.internal_fa = 0;
    fileInfo.external_fa = ArchiveExternalAttributes(facts.attributes);
    unsigned char localExtra[17];
    unsigned char centralExtra[9];
    ExtendedTimestamp(facts, localExtra, centralExtra);

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

    std::unique_ptr<EntryCompressor> compressor;
    if (!stored)
        compressor.reset(new EntryCompressor(zip_, progress, facts.size));
    std::unique_ptr<char[]> block(new char[kReadSize]);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t processed = 0;
    AddResult result = Added;
    for (;;) {
        size_t count = 0;
        if (!source.Read(block.get(), kReadSize, count)) {
            result = SourceUnreadable;
            break;
        }
        if (count == 0)
            break;
        processed += count;
        if (compressor) {
            if (!compressor->Feed(block.get(), count)) {
                result = WriteFailed;
                break;
            }
        } else {
            crc = crc32(crc, reinterpret_cast<const Bytef*>(block.get()), uInt(count));
            if (zipWriteInFileInZip(zip_, block.get(), unsigned(count)) != ZIP_OK) {
                result = WriteFailed;
                break;
            }
        }
    }
    if (compressor && result == Added) {
        if (compressor->Finish())
            crc = compressor->Crc();
        else
            result = WriteFailed;
    }
    if (zipCloseFileInZipRaw64(zip_, processed, crc) != ZIP_OK && result == Added)
        result = WriteFailed;
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
