#include "platform/archive/ParallelDeflate.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <libdeflate.h>
#include <memory>
#include <stdexcept>
#include <zlib.h>

namespace ze6 {

namespace {

// An empty stored block: what a sync flush writes after aligning to a byte.
constexpr unsigned char kEmptyStoredBlock[] = {0x00, 0x00, 0xFF, 0xFF};

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// One compressor per thread and level: making one costs more than a small file.
libdeflate_compressor* CompressorFor(int level)
{
    thread_local std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor;
    thread_local int compressorLevel = -1;
    if (!compressor || compressorLevel != level) {
        compressor.reset(libdeflate_alloc_compressor(level));
        if (!compressor)
            throw std::bad_alloc();
        compressorLevel = level;
    }
    return compressor.get();
}

std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, std::size_t size)
{
    return libdeflate_crc32(crc, data, size);
}

struct InflateEnd {
    z_stream* stream;
    ~InflateEnd() { inflateEnd(stream); }
};

// Where, in bits from the start, the header of the final block of a complete
// raw deflate stream begins, and where the stream ends. Found by inflating it
// a block at a time.
struct StreamShape {
    std::size_t finalHeaderBit = 0;
    std::size_t endBit = 0;
};

StreamShape ShapeOf(const unsigned char* data, std::size_t size)
{
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        throw std::bad_alloc();
    const InflateEnd end{&stream};
    thread_local std::vector<unsigned char> sink(64 * 1024);
    stream.next_in = const_cast<unsigned char*>(data); // zlib's API predates const
    stream.avail_in = static_cast<uInt>(size);
    StreamShape shape;
    bool ended = false;
    for (;;) {
        stream.next_out = sink.data();
        stream.avail_out = static_cast<uInt>(sink.size());
        const int result = inflate(&stream, Z_BLOCK);
        if (result == Z_STREAM_END && ended)
            return shape;
        if (result != Z_OK)
            throw std::runtime_error("deflate stream cannot be read back");
        // Stopped right after a block's end code (128); 64 tells that it was
        // the final block's. The low bits count the bits of the last byte
        // read that are still unused.
        if ((stream.data_type & 128) != 0) {
            const std::size_t bit = stream.total_in * 8 - static_cast<std::size_t>(stream.data_type & 7);
            if ((stream.data_type & 64) != 0) {
                shape.endBit = bit;
                ended = true;
            } else {
                shape.finalHeaderBit = bit;
            }
        }
    }
}

// Turns a complete stream into one that ends like a sync flush: its final
// block is made an ordinary one and an empty stored block follows on a byte
// boundary, so another stream can be appended. `stream` has room for five
// more bytes.
void Unfinish(std::vector<unsigned char>& stream, std::size_t size, std::size_t& newSize)
{
    const StreamShape shape = ShapeOf(stream.data(), size);
    const std::size_t bit = shape.finalHeaderBit;
    stream[bit / 8] &= static_cast<unsigned char>(~(1u << (bit % 8)));
    // Three zero bits (not final, stored), then zeros up to the byte boundary.
    const std::size_t end = shape.endBit;
    std::fill(stream.begin() + static_cast<std::ptrdiff_t>(size),
              stream.begin() + static_cast<std::ptrdiff_t>(size) + 5, 0);
    if (end % 8 != 0)
        stream[end / 8] &= static_cast<unsigned char>((1u << (end % 8)) - 1);
    const std::size_t lengths = (end + 3 + 7) / 8;
    std::memcpy(stream.data() + lengths, kEmptyStoredBlock, sizeof kEmptyStoredBlock);
    newSize = lengths + sizeof kEmptyStoredBlock;
}

} // namespace

struct ParallelDeflate::Block {
    std::vector<unsigned char> input;
    bool last = false;
    std::vector<unsigned char> output;
    std::uint32_t crc = 0;
    std::uint32_t compressedCrc = 0;
    bool done = false;
    std::exception_ptr failure;
};

ParallelDeflate::ParallelDeflate(int level, unsigned threads)
    : m_level(level), m_threadCount(std::max(1u, threads)), m_crc(Crc32(0, nullptr, 0)), m_compressedCrc(m_crc)
{
}

ParallelDeflate::~ParallelDeflate()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_work.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

void ParallelDeflate::Submit(std::vector<unsigned char> input, bool last)
{
    if (m_finished)
        throw std::logic_error("deflate stream already finished");
    if (!last && input.size() != kBlockSize)
        throw std::logic_error("deflate block of the wrong size");
    m_finished = last;
    auto block = std::make_shared<Block>();
    block->last = last;
    block->input = std::move(input);
    m_pending.push_back(block);
    if (m_threads.empty() && last && m_pending.size() == 1) {
        try {
            Compress(*block);
        } catch (...) {
            block->failure = std::current_exception();
        }
        block->done = true;
        return;
    }
    StartThreads();
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(block));
    }
    m_work.notify_one();
}

std::vector<unsigned char> ParallelDeflate::TakeBuffer(std::size_t size)
{
    if (m_spare.empty())
        return std::vector<unsigned char>(size);
    std::vector<unsigned char> buffer = std::move(m_spare.back());
    m_spare.pop_back();
    buffer.resize(size);
    return buffer;
}

bool ParallelDeflate::Collect(std::vector<unsigned char>& output)
{
    if (m_pending.empty())
        return false;
    const std::shared_ptr<Block> block = m_pending.front();
    {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [&] { return block->done; });
    }
    m_pending.pop_front();
    if (block->failure)
        std::rethrow_exception(block->failure);
    output.insert(output.end(), block->output.begin(), block->output.end());
    m_crc = static_cast<std::uint32_t>(crc32_combine(m_crc, block->crc, static_cast<z_off_t>(block->input.size())));
    m_size += block->input.size();
    m_compressedCrc = static_cast<std::uint32_t>(
        crc32_combine(m_compressedCrc, block->compressedCrc, static_cast<z_off_t>(block->output.size())));
    m_compressedSize += block->output.size();
    if (block->input.capacity() >= kBlockSize && m_spare.size() < MaxInFlight())
        m_spare.push_back(std::move(block->input));
    return true;
}

void ParallelDeflate::StartThreads()
{
    if (!m_threads.empty())
        return;
    for (unsigned i = 0; i < m_threadCount; ++i)
        m_threads.emplace_back([this] { Work(); });
}

void ParallelDeflate::Work()
{
    for (;;) {
        std::shared_ptr<Block> block;
        {
            std::unique_lock lock(m_mutex);
            m_work.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            block = std::move(m_queue.front());
            m_queue.pop_front();
        }
        try {
            Compress(*block);
        } catch (...) {
            block->failure = std::current_exception();
        }
        {
            std::lock_guard lock(m_mutex);
            block->done = true;
        }
        m_done.notify_all();
    }
}

void ParallelDeflate::Compress(Block& block) const
{
    libdeflate_compressor* compressor = CompressorFor(m_level);
    block.crc = Crc32(0, block.input.data(), block.input.size());
    // Kept per thread so no block pays for zeroing a fresh buffer; five bytes
    // more for the empty stored block that joins this block to the next.
    thread_local std::vector<unsigned char> scratch;
    const std::size_t bound = libdeflate_deflate_compress_bound(compressor, block.input.size()) + 5;
    if (scratch.size() < bound)
        scratch.resize(bound);
    std::size_t produced =
        libdeflate_deflate_compress(compressor, block.input.data(), block.input.size(), scratch.data(), bound - 5);
    if (produced == 0)
        throw std::runtime_error("deflate failed");
    if (!block.last)
        Unfinish(scratch, produced, produced);
    Verify(block, scratch.data(), produced);
    block.output.assign(scratch.data(), scratch.data() + produced);
    block.compressedCrc = Crc32(0, block.output.data(), block.output.size());
}

void ParallelDeflate::Verify(const Block& block, const unsigned char* compressed, std::size_t size)
{
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        throw std::bad_alloc();
    const InflateEnd end{&stream};
    // One byte more than the input, so a stream that expands to too much shows.
    thread_local std::vector<unsigned char> expanded;
    if (expanded.size() < block.input.size() + 1)
        expanded.resize(block.input.size() + 1);
    stream.next_in = const_cast<unsigned char*>(compressed); // zlib's API predates const
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = expanded.data();
    stream.avail_out = static_cast<uInt>(block.input.size() + 1);
    const int result = inflate(&stream, Z_SYNC_FLUSH);
    const bool ended = result == Z_STREAM_END;
    if ((result != Z_OK && !ended) || ended != block.last || stream.avail_in != 0 ||
        stream.total_out != block.input.size() ||
        (!block.input.empty() && std::memcmp(expanded.data(), block.input.data(), block.input.size()) != 0))
        throw std::runtime_error("compressed data does not expand to what was read");
}

} // namespace ze6
