#pragma once

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <memory>

// Deflates one raw stream on every core. The input is cut into blocks; each
// block is compressed on a worker with the 32 KiB before it as its preset
// dictionary and ends in a sync flush, so the pieces, joined in order, are
// one valid deflate stream whose matches may reach back across block
// boundaries as a single compressor's would. The output depends only on the
// input and the level, never on the number of workers. A few blocks per
// worker are in flight at a time, so memory does not grow with the input.
class ParallelDeflate {
public:
    static constexpr size_t kBlockSize = 128 * 1024;

    // Receives the compressed stream piece by piece, in order, with the
    // number of input bytes compressed once this piece is written. Returns
    // false to stop the compression.
    using Sink = std::function<bool(const unsigned char* data, size_t size, uint64_t inputDone)>;

    // workers 0: one per processor.
    ParallelDeflate(int level, Sink sink, unsigned workers = 0);
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    // False once compressing or the sink has failed; nothing more is done then.
    bool Write(const void* data, size_t size);
    // Compresses what is left and ends the stream. An empty input gives the
    // shortest valid stream.
    bool Finish();

    // CRC-32 of the whole input once Finish has succeeded.
    uint32_t Crc() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
