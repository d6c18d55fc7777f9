#include "platform/archive/ArchiveReadBack.h"

#include "platform/RuntimeError.h"

#include <cerrno>
#include <libdeflate.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace ze6 {

namespace {

constexpr const char* kSource = "ArchiveWriter";
constexpr std::size_t kBufferSize = 256 * 1024;
constexpr off_t kReadWholeUpTo = 4 << 20;

[[noreturn]] void Mismatch(const std::string& what)
{
    throw RuntimeError(ErrorNumber::DeviceIoError, "The new archive does not read back correctly: " + what, kSource);
}

void CheckStoredData(zip_t* archive, zip_uint64_t index, const ExpectedEntry& expected, std::vector<char>& buffer)
{
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(archive, index, ZIP_FL_COMPRESSED),
                                                            &zip_fclose);
    if (!file)
        Mismatch(expected.name + " cannot be opened (" + zip_strerror(archive) + ")");
    std::uint64_t total = 0;
    // libdeflate's CRC-32 is several times faster than zlib's, and the whole
    // archive is read back after the last block is compressed, on one core.
    std::uint32_t crc = libdeflate_crc32(0, nullptr, 0);
    for (;;) {
        const zip_int64_t count = zip_fread(file.get(), buffer.data(), buffer.size());
        if (count < 0)
            Mismatch(expected.name + " (" + zip_file_strerror(file.get()) + ")");
        if (count == 0)
            break;
        crc = libdeflate_crc32(crc, buffer.data(), static_cast<std::size_t>(count));
        total += static_cast<std::uint64_t>(count);
    }
    if (total != expected.storedSize || crc != expected.storedCrc)
        Mismatch(expected.name + " holds other data than was written");
}

using OpenArchive = std::unique_ptr<zip_t, decltype(&zip_discard)>;

[[noreturn]] void CannotOpen(zip_error_t& error)
{
    const std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    Mismatch("it cannot be opened (" + text + ")");
}

// A small archive is read from the disk in one piece and checked in memory.
OpenArchive OpenInMemory(int descriptor, off_t size, std::vector<char>& whole)
{
    whole.resize(static_cast<std::size_t>(size));
    std::size_t filled = 0;
    while (filled < whole.size()) {
        const ssize_t count =
            ::pread(descriptor, whole.data() + filled, whole.size() - filled, static_cast<off_t>(filled));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw ErrorFromErrno(errno, kSource);
        if (count == 0)
            break; // cut short meanwhile: libzip finds it incomplete
        filled += static_cast<std::size_t>(count);
    }
    whole.resize(filled);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(whole.data(), whole.size(), 0, &error);
    if (source == nullptr)
        CannotOpen(error);
    OpenArchive archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error), &zip_discard);
    if (!archive) {
        zip_source_free(source);
        CannotOpen(error);
    }
    zip_error_fini(&error);
    return archive;
}

// A large one through libzip's own reads, whose buffers stay small.
OpenArchive OpenDescriptor(int descriptor)
{
    const int copy = ::dup(descriptor);
    if (copy < 0 || ::lseek(copy, 0, SEEK_SET) != 0) {
        const int failure = errno;
        if (copy >= 0)
            ::close(copy);
        throw ErrorFromErrno(failure, kSource);
    }
    int code = 0;
    // zip_fdopen takes over the copy only when it succeeds.
    OpenArchive archive(zip_fdopen(copy, ZIP_RDONLY | ZIP_CHECKCONS, &code), &zip_discard);
    if (!archive) {
        ::close(copy);
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        CannotOpen(error);
    }
    return archive;
}

} // namespace

void CheckArchiveReadsBack(int descriptor, const std::vector<ExpectedEntry>& expected)
{
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        throw ErrorFromErrno(errno, kSource);
    // Declared before the archive that may read from it.
    std::vector<char> whole;
    const auto archive =
        status.st_size <= kReadWholeUpTo ? OpenInMemory(descriptor, status.st_size, whole) : OpenDescriptor(descriptor);
    if (zip_get_num_entries(archive.get(), 0) != static_cast<zip_int64_t>(expected.size()))
        Mismatch("wrong number of entries");

    std::vector<char> buffer(kBufferSize);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ExpectedEntry& entry = expected[i];
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.get(), i, ZIP_FL_ENC_RAW, &stat) != 0 || stat.name == nullptr)
            Mismatch("entry " + std::to_string(i + 1) + " cannot be read");
        if (entry.name != stat.name)
            Mismatch("entry " + std::to_string(i + 1) + " is named " + stat.name + " instead of " + entry.name);
        if (stat.size != entry.size || (!entry.folder && (stat.crc != entry.crc || stat.comp_size != entry.storedSize)))
            Mismatch(entry.name + " has the wrong size or checksum");
        if (!entry.folder)
            CheckStoredData(archive.get(), i, entry, buffer);
    }
}

} // namespace ze6
