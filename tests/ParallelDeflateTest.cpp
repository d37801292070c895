#include "ParallelDeflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

struct Compressed {
    bool ok = false;
    Bytes stream;
    uint32_t crc = 0;
    uint64_t lastInputDone = 0;
};

// Writes the input in uneven pieces, so blocks are filled across calls.
Compressed Deflate(const Bytes& input, unsigned workers)
{
    Compressed out;
    ParallelDeflate deflate(8, [&out](const unsigned char* data, size_t size, uint64_t done) {
        out.stream.insert(out.stream.end(), data, data + size);
        out.lastInputDone = done;
        return true;
    }, workers);
    bool ok = true;
    for (size_t at = 0, piece = 1; at < input.size(); at += piece, piece = piece * 3 + 7) {
        piece = std::min(piece, input.size() - at);
        ok = ok && deflate.Write(input.data() + at, piece);
    }
    out.ok = ok && deflate.Finish();
    out.crc = deflate.Crc();
    return out;
}

bool Inflate(const Bytes& stream, size_t expectedSize, Bytes& output)
{
    z_stream z = {};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return false;
    output.assign(expectedSize + 1, 0);  // room for one byte too many
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = output.data();
    z.avail_out = uInt(output.size());
    const int status = inflate(&z, Z_FINISH);
    output.resize(output.size() - z.avail_out);
    const bool whole = status == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole;
}

Bytes MixedData(size_t size)
{
    // Text-like runs, random bytes and a random chunk repeated at a distance
    // that spans blocks, as an MSI's tables and cabinets mix them.
    std::mt19937 random(7);
    Bytes chunk(20000);
    for (unsigned char& b : chunk)
        b = static_cast<unsigned char>(random());
    Bytes data;
    const std::string text = "Component File Registry Feature Directory ";
    while (data.size() < size) {
        switch (data.size() / 50000 % 3) {
        case 0: data.insert(data.end(), text.begin(), text.end()); break;
        case 1: data.push_back(static_cast<unsigned char>(random())); break;
        default: data.insert(data.end(), chunk.begin(), chunk.end()); break;
        }
    }
    data.resize(size);
    return data;
}

} // namespace

TEST(ParallelDeflateTest, JoinedBlocksInflateToTheInputWithZlibsCrc)
{
    const size_t block = ParallelDeflate::kBlockSize;
    const Bytes mixed = MixedData(3 * 1024 * 1024 + 12345);
    for (size_t size : {size_t(0), size_t(1), block - 1, block, block + 1, 2 * block,
                        mixed.size()}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const Bytes input(mixed.begin(), mixed.begin() + size);
        const Compressed one = Deflate(input, 1);
        ASSERT_TRUE(one.ok);
        Bytes inflated;
        ASSERT_TRUE(Inflate(one.stream, size, inflated));
        EXPECT_TRUE(inflated == input);
        EXPECT_EQ(uint32_t(crc32(crc32(0, nullptr, 0), input.data(), uInt(size))), one.crc);
        EXPECT_EQ(uint64_t(size), one.lastInputDone);
        // The output is the same whatever the number of workers.
        for (unsigned workers : {2u, 5u}) {
            const Compressed many = Deflate(input, workers);
            ASSERT_TRUE(many.ok);
            EXPECT_TRUE(many.stream == one.stream) << workers << " workers";
        }
    }
}

TEST(ParallelDeflateTest, MatchesReachAcrossBlocks)
{
    // A block of random bytes, then its last 20000 bytes again at the start
    // of the next block: with the previous block as dictionary the copy costs
    // next to nothing, without it as much as the bytes themselves.
    std::mt19937 random(3);
    Bytes input(ParallelDeflate::kBlockSize);
    for (unsigned char& b : input)
        b = static_cast<unsigned char>(random());
    const Bytes repeat(input.end() - 20000, input.end());
    input.insert(input.end(), repeat.begin(), repeat.end());
    const Compressed out = Deflate(input, 2);
    ASSERT_TRUE(out.ok);
    EXPECT_LT(out.stream.size(), ParallelDeflate::kBlockSize + 1000);
}

TEST(ParallelDeflateTest, AFailingSinkStopsTheStream)
{
    const Bytes input = MixedData(5 * ParallelDeflate::kBlockSize);
    int calls = 0;
    ParallelDeflate deflate(8, [&calls](const unsigned char*, size_t, uint64_t) {
        return ++calls < 2;
    }, 2);
    const bool written = deflate.Write(input.data(), input.size());
    EXPECT_FALSE(written && deflate.Finish());
    EXPECT_EQ(2, calls);
    EXPECT_FALSE(deflate.Write(input.data(), 1));
}
