#include "platform/archive/ArchiveReader.h"

#include "platform/RuntimeError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

namespace ze6 {

namespace {

constexpr const char* kSource = "ArchiveReader";
constexpr std::size_t kBufferSize = 256 * 1024;
constexpr std::int32_t kOutOfMemory = 7;

[[noreturn]] void Damaged(const std::string& reason, const std::string& path)
{
    throw RuntimeError(ErrorNumber::DeviceIoError, reason, kSource, path);
}

[[noreturn]] void SystemFailure(int error, const std::string& path)
{
    throw ErrorFromErrno(error, kSource, path);
}

// A local file header at the start but no directory at the end: the archive
// was cut short (a copy that stopped, a full disk), not some other file.
bool StartsLikeAZipArchive(int descriptor)
{
    char signature[4] = {};
    return ::pread(descriptor, signature, sizeof signature, 0) == sizeof signature && signature[0] == 'P' &&
           signature[1] == 'K' && signature[2] == 3 && signature[3] == 4;
}

// Raises what a libzip error while reading entry `name` means for the user.
[[noreturn]] void EntryFailure(const zip_error_t* error, const std::string& name, const std::string& path)
{
    const int system = zip_error_code_system(error);
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_CRC:
        Damaged("Entry " + name + " does not match its CRC-32", path);
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_ZLIB:
        Damaged("Entry " + name + " cannot be inflated", path);
    case ZIP_ER_INCONS:
        Damaged("Entry " + name + " does not inflate to its recorded length", path);
    case ZIP_ER_EOF:
        Damaged("Cut short inside entry " + name, path);
    case ZIP_ER_COMPNOTSUPP:
        Damaged("Entry " + name + " uses a compression method that cannot be read", path);
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        Damaged("Entry " + name + " is encrypted", path);
    case ZIP_ER_MEMORY:
        throw RuntimeError(kOutOfMemory, "Out of memory", kSource);
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_OPEN:
        SystemFailure(system != 0 ? system : EIO, path);
    default:
        Damaged("Entry " + name + " cannot be read (" + zip_error_strerror(const_cast<zip_error_t*>(error)) + ")",
                path);
    }
}

void WriteAll(int descriptor, const char* data, std::size_t length, const std::string& targetPath)
{
    while (length > 0) {
        const ssize_t written = ::write(descriptor, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            SystemFailure(errno, targetPath);
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

} // namespace

struct ArchiveReader::Handle {
    zip_t* archive = nullptr;
    ~Handle()
    {
        if (archive != nullptr)
            zip_discard(archive);
    }
};

ArchiveReader::ArchiveReader(const std::string& path, Opening opening) : m_path(path), m_handle(std::make_unique<Handle>())
{
    // Never blocks on a FIFO planted under an archive's name.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        SystemFailure(errno, path);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        SystemFailure(error, path);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        if (S_ISDIR(status.st_mode))
            SystemFailure(EISDIR, path);
        Damaged("Not a ZIP archive", path);
    }
    // libzip takes an empty file for an archive without entries.
    if (status.st_size == 0) {
        ::close(descriptor);
        Damaged("An empty file, not a ZIP archive", path);
    }
    int error = 0;
    // zip_fdopen takes over the descriptor only when it succeeds.
    m_handle->archive =
        zip_fdopen(descriptor, opening == Opening::Checked ? ZIP_RDONLY | ZIP_CHECKCONS : ZIP_RDONLY, &error);
    if (m_handle->archive == nullptr) {
        const bool zipStart = StartsLikeAZipArchive(descriptor);
        ::close(descriptor);
        switch (error) {
        case ZIP_ER_NOZIP:
            Damaged(zipStart ? "Cut short: the archive's directory is missing" : "Not a ZIP archive", path);
        case ZIP_ER_INCONS:
            Damaged("The archive's directory does not match its entries", path);
        case ZIP_ER_MULTIDISK:
            Damaged("A part of a split archive", path);
        case ZIP_ER_MEMORY:
            throw RuntimeError(kOutOfMemory, "Out of memory", kSource);
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
            SystemFailure(EIO, path);
        default: {
            zip_error_t details;
            zip_error_init_with_code(&details, error);
            const std::string text = zip_error_strerror(&details);
            zip_error_fini(&details);
            Damaged("The archive cannot be opened (" + text + ")", path);
        }
        }
    }

    const zip_int64_t count = zip_get_num_entries(m_handle->archive, 0);
    m_entries.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_handle->archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &stat) != 0 ||
            stat.name == nullptr)
            Damaged("Entry " + std::to_string(i + 1) + " cannot be read", path);
        ArchiveEntry entry;
        entry.name = stat.name;
        entry.size = (stat.valid & ZIP_STAT_SIZE) != 0 ? stat.size : 0;
        entry.crc = (stat.valid & ZIP_STAT_CRC) != 0 ? stat.crc : 0;
        entry.modified = (stat.valid & ZIP_STAT_MTIME) != 0 ? stat.mtime : 0;
        entry.folder = !entry.name.empty() && entry.name.back() == '/';
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(m_handle->archive, static_cast<zip_uint64_t>(i), 0, &system,
                                             &attributes) == 0 &&
            system == ZIP_OPSYS_UNIX && (attributes >> 16) != 0)
            entry.mode = static_cast<int>((attributes >> 16) & 0777);
        m_entries.push_back(std::move(entry));
    }
}

ArchiveReader::~ArchiveReader() = default;

namespace {

// Inflates one entry, handing each piece to `consume`; libzip itself fails
// the read when the data do not end at the recorded CRC-32 and length.
template <typename Consume>
void Inflate(zip_t* archive, std::size_t index, const ArchiveEntry& entry, const std::string& path,
             std::vector<char>& buffer, Consume&& consume)
{
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(archive, index, 0), &zip_fclose);
    if (!file)
        EntryFailure(zip_get_error(archive), entry.name, path);
    std::uint64_t total = 0;
    for (;;) {
        const zip_int64_t count = zip_fread(file.get(), buffer.data(), buffer.size());
        if (count < 0)
            EntryFailure(zip_file_get_error(file.get()), entry.name, path);
        if (count == 0)
            break;
        consume(buffer.data(), static_cast<std::size_t>(count));
        total += static_cast<std::uint64_t>(count);
    }
    if (total != entry.size)
        Damaged("Entry " + entry.name + " does not inflate to its recorded length", path);
}

} // namespace

void ArchiveReader::CheckEntries()
{
    m_buffer.resize(kBufferSize);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].folder)
            Inflate(m_handle->archive, i, m_entries[i], m_path, m_buffer, [](const char*, std::size_t) {});
    }
}

std::string ArchiveReader::Read(std::size_t index, std::uint64_t limit)
{
    m_buffer.resize(kBufferSize);
    const ArchiveEntry& entry = m_entries.at(index);
    if (entry.size > limit)
        Damaged("Entry " + entry.name + " is too long", m_path);
    std::string content;
    Inflate(m_handle->archive, index, entry, m_path, m_buffer, [&](const char* data, std::size_t length) {
        if (content.size() + length > limit)
            Damaged("Entry " + entry.name + " does not inflate to its recorded length", m_path);
        content.append(data, length);
    });
    return content;
}

void ArchiveReader::ExtractTo(std::size_t index, int descriptor, const std::string& targetPath)
{
    m_buffer.resize(kBufferSize);
    const ArchiveEntry& entry = m_entries.at(index);
    Inflate(m_handle->archive, index, entry, m_path, m_buffer,
            [&](const char* data, std::size_t length) { WriteAll(descriptor, data, length, targetPath); });
    if (::fsync(descriptor) != 0)
        SystemFailure(errno, targetPath);

    // What the disk gives back is what counts, not what was handed to it.
    std::uint64_t total = 0;
    auto crc = static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0));
    for (;;) {
        const ssize_t count = ::pread(descriptor, m_buffer.data(), m_buffer.size(), static_cast<off_t>(total));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            SystemFailure(errno, targetPath);
        }
        if (count == 0)
            break;
        crc = static_cast<std::uint32_t>(
            crc32(crc, reinterpret_cast<const Bytef*>(m_buffer.data()), static_cast<uInt>(count)));
        total += static_cast<std::uint64_t>(count);
    }
    if (total != entry.size || crc != entry.crc)
        throw RuntimeError(ErrorNumber::DeviceIoError, "The restored file does not read back correctly: " + targetPath,
                           kSource);

    // The file's own time, not the time of the restore; a file system that
    // refuses it still holds the right content.
    const struct timespec times[2] = {{0, UTIME_NOW}, {entry.modified, 0}};
    ::futimens(descriptor, times);
}

} // namespace ze6
