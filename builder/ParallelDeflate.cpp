#include "ParallelDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Deflate's window: the most a match can reach back.
constexpr size_t kDictionarySize = 32 * 1024;
constexpr int kMemoryLevel = 8;  // zlib's default
constexpr unsigned kMostWorkers = 32;

struct Job {
    std::vector<unsigned char> input;  // the dictionary, then the block itself
    size_t dictionarySize = 0;
    bool last = false;
    std::vector<unsigned char> output;
    uLong crc = 0;
    bool done = false;
    bool failed = false;

    size_t BlockSize() const { return input.size() - dictionarySize; }
};

// Deflates one block into job.output. The stream is a worker's own, reset for
// every block. A block that is not the last ends in a sync flush: byte-aligned
// and not final, so the next block's output can follow it directly.
bool Compress(z_stream& stream, Job& job)
{
    if (deflateReset(&stream) != Z_OK)
        return false;
    if (job.dictionarySize &&
        deflateSetDictionary(&stream, job.input.data(), uInt(job.dictionarySize)) != Z_OK)
        return false;
    Bytef* data = job.input.data() + job.dictionarySize;
    const uInt size = uInt(job.BlockSize());
    job.crc = crc32(0, data, size);
    // The bound leaves no room for the flush marker: a few bytes more.
    job.output.resize(deflateBound(&stream, size) + 16);
    stream.next_in = data;
    stream.avail_in = size;
    size_t produced = 0;
    for (;;) {
        stream.next_out = job.output.data() + produced;
        stream.avail_out = uInt(job.output.size() - produced);
        const int status = deflate(&stream, job.last ? Z_FINISH : Z_SYNC_FLUSH);
        produced = job.output.size() - stream.avail_out;
        if (status == Z_STREAM_ERROR)
            return false;
        if (job.last ? status == Z_STREAM_END : stream.avail_out != 0)
            break;
        if (stream.avail_out != 0)  // finishing made no progress with room to spare
            return false;
        job.output.resize(job.output.size() * 2);
    }
    job.output.resize(produced);
    return true;
}

} // namespace

struct ParallelDeflate::State {
    int level;
    Sink sink;

    std::mutex lock;
    std::condition_variable workReady;
    std::condition_variable jobDone;
    std::deque<Job*> pending;                 // waiting for a worker
    std::deque<std::unique_ptr<Job>> queued;  // in stream order, not yet written
    bool stopping = false;
    std::vector<std::thread> workers;
    size_t mostQueued;

    // Touched by the writing thread only.
    std::unique_ptr<Job> filling;
    std::vector<unsigned char> dictionary;  // the last 32 KiB given to a block
    uLong crc = crc32(0, nullptr, 0);
    uint64_t inputDone = 0;
    bool failed = false;
    bool finished = false;

    void Work()
    {
        z_stream stream = {};
        const bool ready = deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, kMemoryLevel,
                                        Z_DEFAULT_STRATEGY) == Z_OK;
        for (;;) {
            Job* job;
            {
                std::unique_lock<std::mutex> guard(lock);
                workReady.wait(guard, [this] { return stopping || !pending.empty(); });
                if (stopping)
                    break;
                job = pending.front();
                pending.pop_front();
            }
            const bool compressed = ready && Compress(stream, *job);
            {
                std::lock_guard<std::mutex> guard(lock);
                job->failed = !compressed;
                job->done = true;
            }
            jobDone.notify_all();
        }
        if (ready)
            deflateEnd(&stream);
    }

    void StartBlock()
    {
        filling.reset(new Job);
        filling->input.reserve(dictionary.size() + kBlockSize);
        filling->input = dictionary;
        filling->dictionarySize = dictionary.size();
    }

    void Submit(bool last)
    {
        filling->last = last;
        // Every block but the last is whole, so its end is the next one's
        // full dictionary.
        const size_t keep = std::min(filling->BlockSize(), kDictionarySize);
        dictionary.assign(filling->input.end() - keep, filling->input.end());
        {
            std::lock_guard<std::mutex> guard(lock);
            pending.push_back(filling.get());
            queued.push_back(std::move(filling));
        }
        workReady.notify_one();
        while (!failed && queued.size() > mostQueued)
            WriteOldest();
    }

    // Waits for the oldest block and hands its output to the sink.
    void WriteOldest()
    {
        std::unique_ptr<Job> job;
        {
            std::unique_lock<std::mutex> guard(lock);
            jobDone.wait(guard, [this] { return queued.front()->done; });
            job = std::move(queued.front());
            queued.pop_front();
        }
        if (job->failed) {
            failed = true;
            return;
        }
        const size_t size = job->BlockSize();
        crc = crc32_combine(crc, job->crc, z_off_t(size));
        inputDone += size;
        if (!sink(job->output.data(), job->output.size(), inputDone))
            failed = true;
    }
};

ParallelDeflate::ParallelDeflate(int level, Sink sink, unsigned workers)
    : state_(new State)
{
    state_->level = level;
    state_->sink = std::move(sink);
    if (workers == 0)
        workers = std::max(1u, std::thread::hardware_concurrency());
    workers = std::min(workers, kMostWorkers);
    // Enough blocks waiting that no worker idles while the oldest is written.
    state_->mostQueued = 2 * size_t(workers);
    for (unsigned i = 0; i < workers; ++i)
        state_->workers.emplace_back([this] { state_->Work(); });
}

ParallelDeflate::~ParallelDeflate()
{
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        state_->stopping = true;
        state_->pending.clear();
    }
    state_->workReady.notify_all();
    for (std::thread& worker : state_->workers)
        worker.join();
}

bool ParallelDeflate::Write(const void* data, size_t size)
{
    State& s = *state_;
    if (s.failed || s.finished)
        return false;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    while (size > 0 && !s.failed) {
        if (!s.filling)
            s.StartBlock();
        const size_t take = std::min(size, kBlockSize - s.filling->BlockSize());
        s.filling->input.insert(s.filling->input.end(), bytes, bytes + take);
        bytes += take;
        size -= take;
        if (s.filling->BlockSize() == kBlockSize)
            s.Submit(false);
    }
    return !s.failed;
}

bool ParallelDeflate::Finish()
{
    State& s = *state_;
    if (s.failed || s.finished)
        return false;
    s.finished = true;
    if (!s.filling)
        s.StartBlock();
    s.Submit(true);
    while (!s.failed && !s.queued.empty())
        s.WriteOldest();
    return !s.failed;
}

uint32_t ParallelDeflate::Crc() const
{
    return uint32_t(state_->crc);
}

