#include "platform/archive/ZipArchiveSink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ze6 {

namespace {

constexpr const char* kSource = "ArchiveWriter";
// Gathered writes go out once this much has come together.
constexpr std::size_t kBufferSize = 256 * 1024;
// Once this much more is written, the kernel is asked to start writing it
// out, so that the sync at the end waits for the last piece only instead of
// for the whole archive, with every core idle meanwhile.
constexpr zip_uint64_t kWritebackStep = 8 << 20;
// Less room than this left on the target when a write fails means it is full.
constexpr unsigned long long kNearlyFull = 1 << 20;

// A share (sshfs, SFTP) reports a full disk on the server as a plain I/O
// error, having no word of its own for it; the room left tells them apart.
int WriteError(int descriptor, int error)
{
    struct statvfs status {};
    if (error == EIO && ::fstatvfs(descriptor, &status) == 0 &&
        static_cast<unsigned long long>(status.f_bavail) * status.f_frsize < kNearlyFull)
        return ENOSPC;
    return error;
}

} // namespace

ZipArchiveSink::ZipArchiveSink(int descriptor) : m_descriptor(descriptor)
{
}

zip_int64_t ZipArchiveSink::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_SEEK,
                                              ZIP_SOURCE_TELL, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE,
                                              ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE,
                                              ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, -1);
    case ZIP_SOURCE_STAT:
        return Stat(data, length);
    case ZIP_SOURCE_OPEN:
        m_readOffset = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return Read(data, length);
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_SEEK:
        return Seek(data, length);
    case ZIP_SOURCE_TELL:
        return m_readOffset;
    case ZIP_SOURCE_BEGIN_WRITE:
        if (::ftruncate(m_descriptor, 0) != 0)
            return FailWithErrno(ZIP_ER_WRITE, errno);
        m_buffer.clear();
        m_bufferStart = m_position = m_size = m_writebackFrom = 0;
        return 0;
    case ZIP_SOURCE_WRITE:
        return Write(data, length);
    case ZIP_SOURCE_SEEK_WRITE:
        return SeekWrite(data, length);
    case ZIP_SOURCE_TELL_WRITE:
        return static_cast<zip_int64_t>(m_position);
    case ZIP_SOURCE_COMMIT_WRITE:
        if (!Flush())
            return -1;
        // Some file systems report a full disk or a failed device only here.
        if (::fsync(m_descriptor) != 0)
            return FailWithErrno(ZIP_ER_WRITE, WriteError(m_descriptor, errno));
        m_committed = true;
        return 0;
    case ZIP_SOURCE_ROLLBACK_WRITE:
    case ZIP_SOURCE_REMOVE:
        m_buffer.clear();
        // The owner of the descriptor removes the file.
        return 0;
    default:
        return HandleCommon(data, length, command);
    }
}

zip_int64_t ZipArchiveSink::Stat(void* data, zip_uint64_t length)
{
    auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
    if (stat == nullptr)
        return -1;
    if (!m_committed) {
        // libzip's own sign for "no archive there yet: start a new one".
        zip_error_set(&m_error, ZIP_ER_READ, ENOENT);
        return -1;
    }
    struct stat status {};
    if (::fstat(m_descriptor, &status) != 0)
        return FailWithErrno(ZIP_ER_READ, errno);
    zip_stat_init(stat);
    stat->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    stat->size = static_cast<zip_uint64_t>(status.st_size);
    stat->mtime = status.st_mtime;
    return sizeof(zip_stat_t);
}

zip_int64_t ZipArchiveSink::Read(void* data, zip_uint64_t length)
{
    ssize_t count = 0;
    do {
        count = ::pread(m_descriptor, data, length, m_readOffset);
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        return FailWithErrno(ZIP_ER_READ, errno);
    m_readOffset += count;
    return count;
}

zip_int64_t ZipArchiveSink::Seek(void* data, zip_uint64_t length)
{
    struct stat status {};
    if (::fstat(m_descriptor, &status) != 0)
        return FailWithErrno(ZIP_ER_SEEK, errno);
    const zip_int64_t offset = zip_source_seek_compute_offset(
        static_cast<zip_uint64_t>(m_readOffset), static_cast<zip_uint64_t>(status.st_size), data, length, &m_error);
    if (offset < 0)
        return -1;
    m_readOffset = offset;
    return 0;
}

zip_int64_t ZipArchiveSink::Write(const void* data, zip_uint64_t length)
{
    const zip_uint64_t bufferEnd = m_bufferStart + m_buffer.size();
    if (m_buffer.empty() || m_position < m_bufferStart || m_position > bufferEnd) {
        if (!Flush())
            return -1;
        m_bufferStart = m_position;
    }
    const std::size_t offset = m_position - m_bufferStart;
    if (offset + length > m_buffer.size())
        m_buffer.resize(offset + length);
    std::memcpy(m_buffer.data() + offset, data, length);
    m_position += length;
    m_size = std::max(m_size, m_position);
    if (m_buffer.size() >= kBufferSize && !Flush())
        return -1;
    return static_cast<zip_int64_t>(length);
}

bool ZipArchiveSink::Flush()
{
    std::size_t written = 0;
    while (written < m_buffer.size()) {
        const ssize_t count = ::pwrite(m_descriptor, m_buffer.data() + written, m_buffer.size() - written,
                                       static_cast<off_t>(m_bufferStart + written));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            FailWithErrno(ZIP_ER_WRITE, WriteError(m_descriptor, errno));
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    m_bufferStart += written;
    m_buffer.clear();
    if (m_bufferStart >= m_writebackFrom + kWritebackStep) {
#ifdef __linux__
        // Only a head start: the sync at the end still says whether it all
        // got there, so a file system that cannot do this loses nothing.
        ::sync_file_range(m_descriptor, static_cast<off_t>(m_writebackFrom),
                          static_cast<off_t>(m_bufferStart - m_writebackFrom), SYNC_FILE_RANGE_WRITE);
#endif
        m_writebackFrom = m_bufferStart;
    }
    return true;
}

zip_int64_t ZipArchiveSink::SeekWrite(void* data, zip_uint64_t length)
{
    // Within what is written: libzip only goes back to a header and on to the end.
    const zip_int64_t offset = zip_source_seek_compute_offset(m_position, m_size, data, length, &m_error);
    if (offset < 0)
        return -1;
    m_position = static_cast<zip_uint64_t>(offset);
    return 0;
}

zip_int64_t ZipArchiveSink::FailWithErrno(int libzipError, int systemError)
{
    zip_error_set(&m_error, libzipError, systemError);
    if (!m_failure)
        m_failure = ErrorFromErrno(systemError, kSource);
    return -1;
}

} // namespace ze6
