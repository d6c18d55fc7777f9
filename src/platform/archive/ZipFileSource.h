#pragma once

#include "platform/RuntimeError.h"
#include "platform/archive/LibzipSource.h"
#include "platform/archive/ParallelDeflate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <zip.h>

namespace ze6 {

// Feeds one file to libzip in pieces (a file of any size needs only libzip's
// buffers), computing the CRC-32 and length of exactly what was read so the
// finished archive can be checked against them. A file whose size or
// modification time changes while it is read, or that yields a different
// number of bytes than its size, fails the archive: a torn copy is worse than
// none.
//
// With a deflate level the source hands libzip the entry already compressed,
// on every core (see ParallelDeflate), and libzip copies it as it is.
class ZipFileSource final : public LibzipSource<ZipFileSource> {
public:
    // observer (may be empty) is told the size of each block read and stops
    // the reading when it answers false.
    using BlockObserver = std::function<bool(std::uint64_t bytes)>;
    explicit ZipFileSource(std::string path, int deflateLevel = 0, BlockObserver observer = {});
    ~ZipFileSource();

    std::uint64_t BytesRead() const { return m_bytesRead; }
    std::uint32_t Crc() const { return m_crc; }
    // The entry's data as libzip writes it: compressed, or the file itself.
    std::uint64_t StoredSize() const { return m_compressedSize; }
    std::uint32_t StoredCrc() const { return m_storedCrc; }
    bool ReadToEnd() const { return m_complete; }
    // The error to raise for this file, when reading it failed.
    const std::optional<RuntimeError>& Failure() const { return m_failure; }
    // Reading failed because the file changed meanwhile (worth reading again later).
    bool Changed() const { return m_changed; }

private:
    friend class LibzipSource<ZipFileSource>;
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Stat(void* data, zip_uint64_t length);
    zip_int64_t Open();
    zip_int64_t Read(void* data, zip_uint64_t length);
    zip_int64_t ReadCompressed(void* data, zip_uint64_t length);
    // Reads the next block of the file into the compressor; false on failure.
    bool FeedBlock();
    zip_int64_t ExpectEnd();
    zip_int64_t FileAttributes(void* data, zip_uint64_t length);
    void Close();
    zip_int64_t Fail(int libzipError, int systemError, RuntimeError failure);
    zip_int64_t FailWithErrno(int systemError);
    zip_int64_t FailChanged();
    // false (after failing the read) when the observer stops it.
    bool Observe(std::uint64_t bytes);

    std::string m_path;
    int m_descriptor = -1;
    std::optional<struct stat> m_statusBefore; // as first seen by libzip
    struct stat m_statusAtOpen {};
    std::uint64_t m_bytesRead = 0;
    std::uint32_t m_crc = 0;
    std::uint32_t m_storedCrc = 0;
    bool m_complete = false;
    int m_deflateLevel;
    BlockObserver m_observer;
    std::unique_ptr<ParallelDeflate> m_deflate;
    bool m_inputDone = false;
    std::vector<unsigned char> m_output;
    std::size_t m_outputOffset = 0;
    std::uint64_t m_compressedSize = 0;
    std::optional<RuntimeError> m_failure;
    bool m_changed = false;
};

} // namespace ze6
