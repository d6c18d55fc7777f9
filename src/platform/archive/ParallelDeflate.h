#pragma once

#include "platform/process/WorkerPool.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace ze6 {

// Compresses one stream into raw deflate data on several threads, the way
// pigz does: the input is cut into blocks and each is compressed on its own
// (with libdeflate, about twice as fast as zlib at the same level and size).
// Every block but the last is then made to end like a sync flush - its final
// block marked ordinary, an empty stored block appended on a byte boundary -
// so the pieces joined in order form one standard deflate stream that any
// inflater reads. Every block is read back as an inflater would and compared
// with its input on the thread that made it, in the same pass that finds where
// its final block starts, so a wrong stream is caught while the cores are busy
// anyway; what is then written to disk only has to match the compressed
// bytes, whose CRC-32 is kept as well as the input's. Memory stays bounded:
// the caller feeds a block only when fewer than MaxInFlight() are pending,
// and takes the output in order. The blocks are compressed on the pool's
// threads, on at most `threads` of them at once, and on the caller's while it
// waits for one.
class ParallelDeflate final {
public:
    static constexpr std::size_t kBlockSize = 1024 * 1024;

    ParallelDeflate(int level, unsigned threads, WorkerPool& pool = WorkerPool::Shared());
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    // Hands over the next piece of input; every piece but the last must be
    // kBlockSize long. A stream that is all in one block is compressed at
    // once on the calling thread, so small files wait for no other thread.
    void Submit(std::vector<unsigned char> input, bool last);
    // An input buffer of `size` bytes (at most kBlockSize) to fill, reused
    // from a collected block when there is one: a fresh one is zeroed for nothing.
    std::vector<unsigned char> TakeBuffer(std::size_t size);
    // Waits for the oldest pending block and appends its compressed bytes.
    // Blocks still pending when the compressor goes are never compressed.
    // Returns false when nothing is pending. Throws what compressing threw.
    bool Collect(std::vector<unsigned char>& output);

    std::size_t Pending() const { return m_pending.size(); }
    std::size_t MaxInFlight() const { return 2 * m_threadCount; }
    // CRC-32 and length of all input collected so far, and of its compressed form.
    std::uint32_t Crc() const { return m_crc; }
    std::uint64_t Size() const { return m_size; }
    std::uint32_t CompressedCrc() const { return m_compressedCrc; }
    std::uint64_t CompressedSize() const { return m_compressedSize; }

private:
    struct Block;
    static void Compress(Block& block, int level);

    int m_level;
    unsigned m_threadCount;
    std::deque<std::shared_ptr<Block>> m_pending; // in stream order
    std::vector<std::vector<unsigned char>> m_spare; // collected inputs, for reuse
    std::uint32_t m_crc;
    std::uint64_t m_size = 0;
    std::uint32_t m_compressedCrc;
    std::uint64_t m_compressedSize = 0;
    bool m_finished = false;
    WorkerGroup m_workers; // last: its tasks use the blocks
};

} // namespace ze6
