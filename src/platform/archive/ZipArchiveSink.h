#pragma once

#include "platform/RuntimeError.h"
#include "platform/archive/LibzipSource.h"

#include <optional>
#include <vector>
#include <zip.h>

namespace ze6 {

// The file libzip writes a new archive into: an open descriptor that this
// program created itself (libzip would otherwise make and rename its own
// temporary file). It presents itself as an archive that does not exist yet,
// writes in place, and makes the data durable on commit.
class ZipArchiveSink final : public LibzipSource<ZipArchiveSink> {
public:
    explicit ZipArchiveSink(int descriptor);

    // The error to raise when writing failed (disk full, I/O error, ...).
    const std::optional<RuntimeError>& Failure() const { return m_failure; }

private:
    friend class LibzipSource<ZipArchiveSink>;
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Stat(void* data, zip_uint64_t length);
    zip_int64_t Read(void* data, zip_uint64_t length);
    zip_int64_t Seek(void* data, zip_uint64_t length);
    zip_int64_t Write(const void* data, zip_uint64_t length);
    zip_int64_t SeekWrite(void* data, zip_uint64_t length);
    // Writes out what the buffer holds; false (after failing) when that fails.
    bool Flush();
    zip_int64_t FailWithErrno(int libzipError, int systemError);

    int m_descriptor;
    bool m_committed = false;
    zip_int64_t m_readOffset = 0;
    // libzip writes an entry's header, its data, then the header again and
    // the directory piece by piece: all of it is gathered here and written
    // in large pieces, a small archive in one.
    std::vector<char> m_buffer;
    zip_uint64_t m_bufferStart = 0;   // where the buffer goes in the file
    zip_uint64_t m_position = 0;      // of the next write
    zip_uint64_t m_size = 0;          // of the file, with what the buffer holds
    zip_uint64_t m_writebackFrom = 0; // what lies before is on its way to the disk
    std::optional<RuntimeError> m_failure;
};

} // namespace ze6
