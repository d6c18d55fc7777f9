#include "platform/ParallelDeflate.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <random>
#include <stdexcept>
#include <zlib.h>

namespace ze6 {
namespace {

using Bytes = std::vector<unsigned char>;
constexpr std::size_t kBlock = ParallelDeflate::kBlockSize;

Bytes RandomBytes(std::size_t size, unsigned seed)
{
    const std::string bytes = test::RandomBytes(size, seed);
    return Bytes(bytes.begin(), bytes.end());
}

// Records of repeated words with a little noise: shrinks several times, and
// matches reach back across block borders.
Bytes CompressibleBytes(std::size_t size, unsigned seed)
{
    static const char* const words[] = {"ledger ", "invoice ", "payment ", "customer ", "balance ", "stock "};
    std::mt19937 random(seed);
    Bytes bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        const std::string word = words[random() % 6];
        bytes.insert(bytes.end(), word.begin(), word.end());
        if (random() % 4 == 0)
            bytes.push_back(static_cast<unsigned char>(random()));
    }
    bytes.resize(size);
    return bytes;
}

// Feeds the input the way the archive writer does: full blocks, never more
// than MaxInFlight pending.
Bytes Compress(const Bytes& input, unsigned threads, std::uint32_t& crc)
{
    ParallelDeflate deflate(6, threads);
    Bytes output;
    std::size_t offset = 0;
    bool fed = false;
    while (!fed || deflate.Pending() > 0) {
        while (!fed && deflate.Pending() < deflate.MaxInFlight()) {
            const std::size_t size = std::min(kBlock, input.size() - offset);
            const bool last = offset + size == input.size();
            deflate.Submit(Bytes(input.begin() + static_cast<std::ptrdiff_t>(offset),
                                 input.begin() + static_cast<std::ptrdiff_t>(offset + size)),
                           last);
            offset += size;
            fed = last;
        }
        EXPECT_TRUE(deflate.Collect(output));
    }
    EXPECT_FALSE(deflate.Collect(output));
    EXPECT_EQ(deflate.Size(), input.size());
    // What the read-back compares the stored entry with.
    EXPECT_EQ(deflate.CompressedSize(), output.size());
    EXPECT_EQ(deflate.CompressedCrc(), crc32(0L, output.data(), static_cast<uInt>(output.size())));
    crc = deflate.Crc();
    return output;
}

Bytes Inflate(const Bytes& compressed, std::size_t expectedSize)
{
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        throw std::runtime_error("inflateInit2");
    Bytes output(expectedSize + 1);
    stream.next_in = const_cast<unsigned char*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool wholeStream = result == Z_STREAM_END && stream.avail_in == 0;
    output.resize(output.size() - stream.avail_out);
    inflateEnd(&stream);
    if (!wholeStream)
        throw std::runtime_error("not one complete deflate stream");
    return output;
}

TEST(ParallelDeflate, BlocksJoinIntoOneStreamWithTheWholeCrcAtEverySizeAroundABlockBorder)
{
    const std::size_t sizes[] = {0, 1, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock, 5 * kBlock + 12345};
    for (const unsigned threads : {1u, 2u, 4u}) {
        for (const std::size_t size : sizes) {
            for (const bool compressible : {false, true}) {
                SCOPED_TRACE("threads " + std::to_string(threads) + ", size " + std::to_string(size) +
                             (compressible ? ", compressible" : ", random"));
                const Bytes input = compressible ? CompressibleBytes(size, 11) : RandomBytes(size, 12);
                std::uint32_t crc = 0;
                const Bytes compressed = Compress(input, threads, crc);
                EXPECT_EQ(Inflate(compressed, size), input);
                EXPECT_EQ(crc, crc32(0L, input.data(), static_cast<uInt>(size)));
            }
        }
    }
}

// A block's own stream may end anywhere in its last byte, and the joint must
// be right for each of the eight positions; forty different blocks meet them all.
TEST(ParallelDeflate, BlocksJoinWhereverTheirOwnStreamEnds)
{
    for (unsigned seed = 0; seed < 40; ++seed) {
        const Bytes input = CompressibleBytes(kBlock + 100, seed);
        std::uint32_t crc = 0;
        EXPECT_EQ(Inflate(Compress(input, 1, crc), input.size()), input) << "seed " << seed;
    }
}

TEST(ParallelDeflate, StopsCleanlyWithBlocksStillPending)
{
    ParallelDeflate deflate(6, 2);
    for (unsigned i = 0; i < 4; ++i)
        deflate.Submit(RandomBytes(kBlock, i), false);
    // Leaving scope must join the threads without waiting for a last block.
}

} // namespace
} // namespace ze6
