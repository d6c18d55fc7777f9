#include "platform/archive/ParallelDeflate.h"
#include "platform/archive/DeflateStreamCheck.h"
#include "support/TempFolder.h"

#include <future>
#include <gtest/gtest.h>
#include <random>
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
Bytes Compress(const Bytes& input, unsigned threads, std::uint32_t& crc, WorkerPool& pool = WorkerPool::Shared())
{
    ParallelDeflate deflate(6, threads, pool);
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

// A stream of dynamic or (Z_FIXED) fixed codes.
Bytes ZlibDeflate(const Bytes& input, int level, int strategy)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    Bytes output(deflateBound(&stream, static_cast<uLong>(input.size())));
    stream.next_in = const_cast<unsigned char*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    return output;
}

// What zlib reads from a stream that must end there: as one whole stream, or
// (joinable) on a sync flush. Empty and marked when it does not.
Bytes Inflate(const Bytes& stream, bool joinable = false)
{
    z_stream inflater{};
    EXPECT_EQ(inflateInit2(&inflater, -15), Z_OK);
    Bytes output(8 * kBlock);
    inflater.next_in = const_cast<unsigned char*>(stream.data());
    inflater.avail_in = static_cast<uInt>(stream.size());
    inflater.next_out = output.data();
    inflater.avail_out = static_cast<uInt>(output.size());
    const int result = inflate(&inflater, joinable ? Z_SYNC_FLUSH : Z_FINISH);
    const bool whole = (joinable ? result == Z_OK : result == Z_STREAM_END) && inflater.avail_in == 0;
    output.resize(inflater.total_out);
    inflateEnd(&inflater);
    return whole ? output : Bytes{'n', 'o', 't', ' ', 'w', 'h', 'o', 'l', 'e'};
}

std::size_t Check(Bytes& stream, const Bytes& expected, StreamEnd end)
{
    const std::size_t size = stream.size();
    stream.resize(size + kStreamCheckSlack);
    const std::size_t checked = CheckDeflateStream(stream.data(), size, expected.data(), expected.size(), end);
    stream.resize(checked != 0 ? checked : size);
    return checked;
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
                EXPECT_EQ(Inflate(Compress(input, threads, crc)), input);
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
        EXPECT_EQ(Inflate(Compress(input, 1, crc)), input) << "seed " << seed;
    }
}

// The pool's one thread is held by a task of another group throughout.
class HeldPool {
public:
    HeldPool()
    {
        std::promise<void> holding;
        m_held = m_holder.Submit([&] {
            holding.set_value();
            m_released.wait();
        });
        holding.get_future().wait();
    }
    ~HeldPool()
    {
        m_release.set_value();
        m_holder.Wait(m_held);
    }
    WorkerPool pool{1};

private:
    WorkerGroup m_holder{pool, 1};
    std::promise<void> m_release;
    std::shared_future<void> m_released = m_release.get_future().share();
    WorkerGroup::Ticket m_held;
};

// Leaving withdraws the blocks no thread has begun: waiting for them here
// would never end.
TEST(ParallelDeflate, StopsCleanlyWithBlocksStillPending)
{
    HeldPool held;
    {
        ParallelDeflate deflate(6, 2, held.pool);
        for (unsigned i = 0; i < 4; ++i)
            deflate.Submit(RandomBytes(kBlock, i), false);
        EXPECT_EQ(held.pool.Queued(), 4u);
    }
    EXPECT_EQ(held.pool.Queued(), 0u);
}

// An archive built on a pool thread submits its blocks to the same pool; with
// every thread taken, the one that waits for its blocks compresses them.
TEST(ParallelDeflate, CompressesOnTheWaitingThreadWhenThePoolIsTaken)
{
    HeldPool held;
    const Bytes input = CompressibleBytes(3 * kBlock + 7, 5);
    std::uint32_t crc = 0;
    EXPECT_EQ(Inflate(Compress(input, 2, crc, held.pool)), input);
}

// Every kind of block is met above, and the fuzzer holds the check to zlib
// on any byte string; these are the refusals a compressor's fault would meet.
TEST(DeflateStreamCheck, RefusesAStreamThatDoesNotExpandToExactlyWhatWasRead)
{
    // A fixed-code block whose first symbol copies from before the start
    // (three bytes at distance 1, or 258 bytes forty times, enough to be
    // read in bulk), checked against "a"s that do follow an "a"; with that
    // "a" as its own first symbol, the same stream is whole.
    for (const bool longMatches : {false, true}) {
        const std::size_t matched = longMatches ? 40 * 258 : 3;
        const Bytes buffer(matched + 1, 'a');
        for (const bool ownA : {false, true}) {
            Bytes stream;
            std::size_t bits = 0;
            const auto put = [&](unsigned bitsInOrder, unsigned count) { // the first bit sent leftmost
                for (unsigned i = count; i-- > 0; ++bits) {
                    if (bits % 8 == 0)
                        stream.push_back(0);
                    stream.back() |= static_cast<unsigned char>((bitsInOrder >> i & 1) << (bits % 8));
                }
            };
            put(0b110, 3); // final, fixed codes
            if (ownA)
                put(0x30 + 'a', 8);
            for (std::size_t done = 0; done < matched; done += longMatches ? 258 : 3) {
                put(longMatches ? 0b11000101 : 0b0000001, longMatches ? 8 : 7); // 285 or 257
                put(0, 5);                                                      // distance 1
            }
            put(0, 7); // end of block
            const unsigned char* expected = ownA ? buffer.data() : buffer.data() + 1;
            const std::size_t size = stream.size();
            stream.resize(size + kStreamCheckSlack);
            EXPECT_EQ(CheckDeflateStream(stream.data(), size, expected, matched + (ownA ? 1 : 0), StreamEnd::Final) !=
                          0,
                      ownA);
        }
    }

    // Short matches and literals, and lines that repeat whole with a
    // different number: matches of up to 258 bytes.
    Bytes input = CompressibleBytes(20000, 2);
    for (int line = 0; line < 100; ++line) {
        const std::string text = std::string(80, '=') + " line " + std::to_string(line) + "\n";
        input.insert(input.end(), text.begin(), text.end());
    }
    for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
        const Bytes stream = ZlibDeflate(input, 6, strategy);
        // Every byte of the start (literals, one after another), of a stretch
        // in the middle, of the repeated lines, and the last.
        std::vector<std::size_t> changed{input.size() - 1};
        for (std::size_t at = 0; at < 300; ++at)
            changed.insert(changed.end(), {at, 10000 + at, 22000 + at});
        for (const std::size_t at : changed) {
            Bytes other = input;
            other[at] ^= 0x20;
            Bytes copy = stream;
            EXPECT_EQ(Check(copy, other, StreamEnd::Final), 0u) << "byte " << at << " changed";
        }
        Bytes copy = stream;
        EXPECT_EQ(Check(copy, Bytes(input.begin(), input.end() - 1), StreamEnd::Final), 0u);
        Bytes trailing = stream;
        trailing.push_back(0);
        EXPECT_EQ(Check(trailing, input, StreamEnd::Final), 0u);
        Bytes truncated(stream.begin(), stream.end() - 1);
        EXPECT_EQ(Check(truncated, input, StreamEnd::Final), 0u);
    }
}

} // namespace
} // namespace ze6
