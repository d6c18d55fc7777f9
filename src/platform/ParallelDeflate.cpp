#include "platform/ParallelDeflate.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <zlib.h>

namespace ze6 {

namespace {
// Deflate looks back at most this far, so a block needs no more of the data
// before it to compress as well as one long stream would.
constexpr std::size_t kWindow = 32 * 1024;
} // namespace

struct ParallelDeflate::Block {
    std::vector<unsigned char> input;
    std::vector<unsigned char> dictionary;
    bool last = false;
    std::vector<unsigned char> output;
    std::uint32_t crc = 0;
    std::uint32_t compressedCrc = 0;
    bool done = false;
    std::exception_ptr failure;
};

ParallelDeflate::ParallelDeflate(int level, unsigned threads)
    : m_level(level), m_threadCount(std::max(1u, threads)), m_crc(static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0))),
      m_compressedCrc(m_crc)
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
    block->dictionary = m_history;
    block->last = last;
    if (!last) {
        m_history.assign(input.end() - static_cast<std::ptrdiff_t>(kWindow), input.end());
    }
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
    z_stream stream{};
    // Negative window bits: raw deflate, the form a ZIP entry holds.
    if (deflateInit2(&stream, m_level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    struct End {
        z_stream* stream;
        ~End() { deflateEnd(stream); }
    } end{&stream};
    if (!block.dictionary.empty() &&
        deflateSetDictionary(&stream, block.dictionary.data(), static_cast<uInt>(block.dictionary.size())) != Z_OK)
        throw std::runtime_error("deflate dictionary rejected");

    block.crc = static_cast<std::uint32_t>(
        crc32(crc32(0L, Z_NULL, 0), block.input.data(), static_cast<uInt>(block.input.size())));
    // Room for the worst case, incompressible data, plus the flush marker;
    // kept per thread so no block pays for zeroing a fresh buffer.
    thread_local std::vector<unsigned char> scratch;
    const std::size_t bound = deflateBound(&stream, static_cast<uLong>(block.input.size())) + 16;
    if (scratch.size() < bound)
        scratch.resize(bound);
    stream.next_in = block.input.data();
    stream.avail_in = static_cast<uInt>(block.input.size());
    stream.next_out = scratch.data();
    stream.avail_out = static_cast<uInt>(bound);
    const int flush = block.last ? Z_FINISH : Z_SYNC_FLUSH;
    const int result = deflate(&stream, flush);
    if (result == Z_STREAM_ERROR || stream.avail_in != 0 || stream.avail_out == 0 ||
        (block.last && result != Z_STREAM_END))
        throw std::runtime_error("deflate failed");
    const std::size_t produced = bound - stream.avail_out;
    Verify(block, scratch.data(), produced);
    block.output.assign(scratch.data(), scratch.data() + produced);
    block.compressedCrc = static_cast<std::uint32_t>(
        crc32(crc32(0L, Z_NULL, 0), block.output.data(), static_cast<uInt>(block.output.size())));
    block.dictionary.clear();
    block.dictionary.shrink_to_fit();
}

void ParallelDeflate::Verify(const Block& block, const unsigned char* compressed, std::size_t size)
{
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        throw std::bad_alloc();
    struct End {
        z_stream* stream;
        ~End() { inflateEnd(stream); }
    } end{&stream};
    if (!block.dictionary.empty() &&
        inflateSetDictionary(&stream, block.dictionary.data(), static_cast<uInt>(block.dictionary.size())) != Z_OK)
        throw std::runtime_error("inflate dictionary rejected");
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
