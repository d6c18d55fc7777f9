#include "platform/archive/ZipFileSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace ze6 {

namespace {

constexpr const char* kSource = "ArchiveWriter";

bool SameContentMarkers(const struct stat& a, const struct stat& b)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

} // namespace

ZipFileSource::ZipFileSource(std::string path, int deflateLevel, BlockObserver observer)
    : m_path(std::move(path)), m_deflateLevel(deflateLevel), m_observer(std::move(observer))
{
}

ZipFileSource::~ZipFileSource()
{
    Close();
}

zip_int64_t ZipFileSource::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SUPPORTS,
                                              ZIP_SOURCE_GET_FILE_ATTRIBUTES, -1);
    case ZIP_SOURCE_STAT:
        return Stat(data, length);
    case ZIP_SOURCE_OPEN:
        return Open();
    case ZIP_SOURCE_READ:
        return Read(data, length);
    case ZIP_SOURCE_CLOSE:
        Close();
        return 0;
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES:
        return FileAttributes(data, length);
    default:
        return HandleCommon(data, length, command);
    }
}

zip_int64_t ZipFileSource::Stat(void* data, zip_uint64_t length)
{
    auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
    if (stat == nullptr)
        return -1;
    if (!m_statusBefore) {
        struct stat status {};
        if (::stat(m_path.c_str(), &status) != 0)
            return FailWithErrno(errno);
        // Never open a FIFO or a device: reading one could block for ever.
        if (!S_ISREG(status.st_mode))
            return Fail(ZIP_ER_OPEN, 0, ErrorFromErrno(EISDIR, kSource, m_path));
        m_statusBefore = status;
    }
    zip_stat_init(stat);
    // The size tells libzip ahead of the data whether the entry needs ZIP64.
    stat->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    stat->size = static_cast<zip_uint64_t>(m_statusBefore->st_size);
    stat->mtime = m_statusBefore->st_mtime;
    if (m_deflateLevel > 0) {
        stat->valid |= ZIP_STAT_COMP_METHOD;
        stat->comp_method = ZIP_CM_DEFLATE;
        // libzip asks again once the data has been read, for what only the
        // data can tell.
        if (m_complete) {
            stat->valid |= ZIP_STAT_CRC | ZIP_STAT_COMP_SIZE;
            stat->crc = m_crc;
            stat->comp_size = m_compressedSize;
        }
    }
    return sizeof(zip_stat_t);
}

zip_int64_t ZipFileSource::Open()
{
    Close();
    m_descriptor = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_descriptor < 0)
        return FailWithErrno(errno);
    if (::fstat(m_descriptor, &m_statusAtOpen) != 0)
        return FailWithErrno(errno);
    if (!S_ISREG(m_statusAtOpen.st_mode))
        return Fail(ZIP_ER_OPEN, 0, ErrorFromErrno(EISDIR, kSource, m_path));
    if (m_statusBefore && !SameContentMarkers(*m_statusBefore, m_statusAtOpen))
        return FailChanged();
    m_bytesRead = 0;
    m_crc = static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0));
    m_complete = false;
    if (m_deflateLevel > 0) {
        // Asked once: the C library reads a file of the system to answer.
        static const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
        m_deflate = std::make_unique<ParallelDeflate>(m_deflateLevel, cores);
        m_inputDone = false;
        m_output.clear();
        m_outputOffset = 0;
        m_compressedSize = 0;
    }
    return 0;
}

zip_int64_t ZipFileSource::Read(void* data, zip_uint64_t length)
{
    if (m_deflate)
        return ReadCompressed(data, length);
    ssize_t count = 0;
    do {
        count = ::read(m_descriptor, data, length);
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        return FailWithErrno(errno);
    if (count == 0) {
        struct stat after {};
        if (::fstat(m_descriptor, &after) != 0)
            return FailWithErrno(errno);
        if (!SameContentMarkers(m_statusAtOpen, after) ||
            m_bytesRead != static_cast<std::uint64_t>(m_statusAtOpen.st_size))
            return FailChanged();
        m_complete = true;
        m_storedCrc = m_crc;
        m_compressedSize = m_bytesRead;
        return 0;
    }
    m_crc = static_cast<std::uint32_t>(crc32(m_crc, static_cast<const Bytef*>(data), static_cast<uInt>(count)));
    m_bytesRead += static_cast<std::uint64_t>(count);
    if (!Observe(static_cast<std::uint64_t>(count)))
        return -1;
    return count;
}

zip_int64_t ZipFileSource::ReadCompressed(void* data, zip_uint64_t length)
{
    try {
        while (m_outputOffset == m_output.size()) {
            m_output.clear();
            m_outputOffset = 0;
            while (!m_inputDone && m_deflate->Pending() < m_deflate->MaxInFlight()) {
                if (!FeedBlock())
                    return -1;
            }
            if (!m_deflate->Collect(m_output)) {
                m_crc = m_deflate->Crc();
                m_storedCrc = m_deflate->CompressedCrc();
                m_complete = true;
                m_deflate.reset();
                return 0;
            }
        }
    } catch (const std::bad_alloc&) {
        return Fail(ZIP_ER_MEMORY, 0, RuntimeError(7, "Out of memory", kSource, m_path));
    } catch (const std::exception& error) {
        return Fail(ZIP_ER_INTERNAL, 0, RuntimeError(ErrorNumber::PathFileAccessError, error.what(), kSource, m_path));
    }
    const std::size_t count = std::min<std::size_t>(length, m_output.size() - m_outputOffset);
    std::memcpy(data, m_output.data() + m_outputOffset, count);
    m_outputOffset += count;
    m_compressedSize += count;
    return static_cast<zip_int64_t>(count);
}

bool ZipFileSource::FeedBlock()
{
    // The size seen at opening decides where the stream ends; a file that
    // turns out longer or shorter has changed and fails below.
    const auto size = static_cast<std::uint64_t>(m_statusAtOpen.st_size);
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(ParallelDeflate::kBlockSize, size - m_bytesRead));
    std::vector<unsigned char> block = m_deflate->TakeBuffer(wanted);
    std::size_t filled = 0;
    while (filled < wanted) {
        const ssize_t count = ::read(m_descriptor, block.data() + filled, wanted - filled);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            FailWithErrno(errno);
            return false;
        }
        if (count == 0) {
            FailChanged();
            return false;
        }
        filled += static_cast<std::size_t>(count);
    }
    m_bytesRead += filled;
    if (!Observe(filled))
        return false;
    const bool last = m_bytesRead == size;
    if (last && ExpectEnd() != 0)
        return false;
    m_inputDone = last;
    m_deflate->Submit(std::move(block), last);
    return true;
}

bool ZipFileSource::Observe(std::uint64_t bytes)
{
    if (!m_observer || m_observer(bytes))
        return true;
    Fail(ZIP_ER_CANCELLED, 0,
         RuntimeError(ErrorNumber::UserInterrupt, DescribeErrorNumber(ErrorNumber::UserInterrupt), kSource, m_path));
    return false;
}

zip_int64_t ZipFileSource::ExpectEnd()
{
    unsigned char extra = 0;
    ssize_t count = 0;
    do {
        count = ::read(m_descriptor, &extra, 1);
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        return FailWithErrno(errno);
    struct stat after {};
    if (::fstat(m_descriptor, &after) != 0)
        return FailWithErrno(errno);
    if (count != 0 || !SameContentMarkers(m_statusAtOpen, after))
        return FailChanged();
    return 0;
}

zip_int64_t ZipFileSource::FileAttributes(void* data, zip_uint64_t length)
{
    auto* attributes = ZIP_SOURCE_GET_ARGS(zip_file_attributes_t, data, length, &m_error);
    if (attributes == nullptr)
        return -1;
    if (m_statusBefore) {
        // Keeps the permission bits, so a restored file is as private as the original.
        attributes->valid |= ZIP_FILE_ATTRIBUTES_HOST_SYSTEM | ZIP_FILE_ATTRIBUTES_EXTERNAL_FILE_ATTRIBUTES;
        attributes->host_system = ZIP_OPSYS_UNIX;
        attributes->external_file_attributes = (static_cast<zip_uint32_t>(m_statusBefore->st_mode) & 0xFFFFu) << 16;
    }
    return 0;
}

void ZipFileSource::Close()
{
    m_deflate.reset();
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}

zip_int64_t ZipFileSource::Fail(int libzipError, int systemError, RuntimeError failure)
{
    zip_error_set(&m_error, libzipError, systemError);
    if (!m_failure)
        m_failure = std::move(failure);
    return -1;
}

zip_int64_t ZipFileSource::FailWithErrno(int systemError)
{
    return Fail(ZIP_ER_READ, systemError, ErrorFromErrno(systemError, kSource, m_path));
}

zip_int64_t ZipFileSource::FailChanged()
{
    m_changed = m_changed || !m_failure;
    return Fail(
        ZIP_ER_CHANGED, 0,
        RuntimeError(ErrorNumber::PathFileAccessError, "File changed while it was being archived", kSource, m_path));
}

} // namespace ze6
