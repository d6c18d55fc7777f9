#include "platform/archive/ParallelDeflate.h"

#include "platform/archive/DeflateStreamCheck.h"

#include <algorithm>
#include <exception>
#include <libdeflate.h>
#include <memory>
#include <stdexcept>
#include <zlib.h>

namespace ze6 {

namespace {

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

} // namespace

struct ParallelDeflate::Block {
    std::vector<unsigned char> input;
    bool last = false;
    std::vector<unsigned char> output;
    std::uint32_t crc = 0;
    std::uint32_t compressedCrc = 0;
    WorkerGroup::Ticket compressing; // none when compressed at once
    std::exception_ptr failure;
};

ParallelDeflate::ParallelDeflate(int level, unsigned threads, WorkerPool& pool)
    : m_level(level), m_threadCount(std::max(1u, threads)), m_crc(Crc32(0, nullptr, 0)), m_compressedCrc(m_crc),
      m_workers(pool, m_threadCount)
{
}

ParallelDeflate::~ParallelDeflate() = default;

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
    const auto compress = [block, level = m_level] {
        try {
            Compress(*block, level);
        } catch (...) {
            block->failure = std::current_exception();
        }
    };
    if (last && m_pending.size() == 1)
        compress();
    else
        block->compressing = m_workers.Submit(compress);
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
    if (block->compressing)
        m_workers.Wait(block->compressing);
    m_pending.pop_front();
    if (block->failure)
        std::rethrow_exception(block->failure);
    m_crc = static_cast<std::uint32_t>(crc32_combine(m_crc, block->crc, static_cast<z_off_t>(block->input.size())));
    m_size += block->input.size();
    m_compressedCrc = static_cast<std::uint32_t>(
        crc32_combine(m_compressedCrc, block->compressedCrc, static_cast<z_off_t>(block->output.size())));
    m_compressedSize += block->output.size();
    if (output.empty())
        output.swap(block->output); // the block is done with: its bytes need no copy
    else
        output.insert(output.end(), block->output.begin(), block->output.end());
    if (block->input.capacity() >= kBlockSize && m_spare.size() < MaxInFlight())
        m_spare.push_back(std::move(block->input));
    return true;
}

void ParallelDeflate::Compress(Block& block, int level)
{
    libdeflate_compressor* compressor = CompressorFor(level);
    block.crc = Crc32(0, block.input.data(), block.input.size());
    // Kept per thread so no block pays for zeroing a fresh buffer.
    thread_local std::vector<unsigned char> scratch;
    const std::size_t bound = libdeflate_deflate_compress_bound(compressor, block.input.size());
    if (scratch.size() < bound + kStreamCheckSlack)
        scratch.resize(bound + kStreamCheckSlack);
    std::size_t produced =
        libdeflate_deflate_compress(compressor, block.input.data(), block.input.size(), scratch.data(), bound);
    if (produced == 0)
        throw std::runtime_error("deflate failed");
    // Every block but the last is made to end like a sync flush, and the
    // stream is checked in the form it will be written in.
    produced = CheckDeflateStream(scratch.data(), produced, block.input.data(), block.input.size(),
                                  block.last ? StreamEnd::Final : StreamEnd::Joinable);
    if (produced == 0)
        throw std::runtime_error("compressed data does not expand to what was read");
    block.output.assign(scratch.data(), scratch.data() + produced);
    block.compressedCrc = Crc32(0, block.output.data(), block.output.size());
}

} // namespace ze6
