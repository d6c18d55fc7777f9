#include "platform/archive/ArchiveComparison.h"

#include "platform/RuntimeError.h"
#include "platform/archive/ArchiveEntryNames.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/files/PathText.h"
#include "platform/process/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <libdeflate.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <zlib.h>

namespace ze6 {

namespace {

// Large files are read in pieces of this size, each by whichever reader is
// free, so that one big data file uses every core; their CRC-32s are joined.
constexpr std::uint64_t kPieceSize = 8 << 20;
// Small enough to stay in the processor's cache between the copy out of the
// page cache and the CRC-32 over it.
constexpr std::size_t kBufferSize = 256 << 10;
// Less than this in all is read on the calling thread: handing pieces to
// other threads would cost more than they save. A run compares the files of
// many small data files at once, each on its own thread.
constexpr std::uint64_t kReadAlone = 4 << 20;
// Pieces from this size on are mapped rather than read: below it, mapping
// and unmapping cost more than the copy they save.
constexpr std::uint64_t kMappedFrom = 1 << 20;

struct Piece {
    std::size_t file;
    std::uint64_t offset;
    std::uint64_t length;
    std::uint32_t crc = 0;
};

// One buffer per thread for the thread's life: comparing thousands of small
// data files must not allocate (and clear) a buffer for each.
unsigned char* ThreadBuffer()
{
    thread_local const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kBufferSize]);
    return buffer.get();
}

// A file that shrinks while it is mapped ends its mapping early: reading past
// the new end raises SIGBUS. The reading thread notes where to jump back to;
// a SIGBUS anywhere else is handled as it was before.
thread_local sigjmp_buf* t_backFromBusError = nullptr;
struct sigaction g_busErrorBefore {};

void OnBusError(int, siginfo_t*, void*)
{
    if (t_backFromBusError != nullptr)
        siglongjmp(*t_backFromBusError, 1);
    // Not a mapped read: the fault happens again on return, handled as before.
    ::sigaction(SIGBUS, &g_busErrorBefore, nullptr);
}

void CatchBusErrors()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        // Not blocked while handled: the jump back leaves the signal mask as
        // it is, which spares each mapped read a system call to save it.
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_busErrorBefore);
    });
}

// The CRC-32 of a mapped piece: a read out of the page cache costs a copy, a
// mapping only the faults of its pages, and the copy is most of the time an
// unchanged data file takes. False when the piece cannot be mapped or read.
bool MapPiece(int descriptor, Piece& piece)
{
    CatchBusErrors();
    const auto length = static_cast<std::size_t>(piece.length);
    void* const mapped =
        ::mmap(nullptr, length, PROT_READ, MAP_SHARED, descriptor, static_cast<off_t>(piece.offset));
    if (mapped == MAP_FAILED)
        return false;
    sigjmp_buf back;
    bool whole = false;
    t_backFromBusError = &back;
    if (sigsetjmp(back, 0) == 0) {
        piece.crc = static_cast<std::uint32_t>(libdeflate_crc32(0, mapped, length));
        whole = true;
    }
    t_backFromBusError = nullptr;
    ::munmap(mapped, length);
    return whole;
}

// The CRC-32 of one piece of a file; false when it cannot be read whole.
bool ReadPiece(int descriptor, Piece& piece)
{
    if (piece.length >= kMappedFrom && MapPiece(descriptor, piece))
        return true;
    unsigned char* const buffer = ThreadBuffer();
    std::uint32_t crc = 0;
    std::uint64_t done = 0;
    while (done < piece.length) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kBufferSize, piece.length - done));
        const ssize_t got = ::pread(descriptor, buffer, wanted, static_cast<off_t>(piece.offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        crc = static_cast<std::uint32_t>(libdeflate_crc32(crc, buffer, static_cast<std::size_t>(got)));
        done += static_cast<std::uint64_t>(got);
    }
    piece.crc = crc;
    return true;
}

struct Descriptors {
    std::vector<int> open;
    ~Descriptors()
    {
        for (const int descriptor : open) {
            if (descriptor >= 0)
                ::close(descriptor);
        }
    }
};

bool SameFiles(const std::vector<ArchiveEntry>& entries, const std::vector<std::string>& files)
{
    if (entries.size() != files.size())
        return false;
    std::unordered_map<std::string, const ArchiveEntry*> entryNamed;
    for (const auto& entry : entries)
        entryNamed.emplace(entry.name, &entry);

    std::vector<std::string> bareNames;
    for (const auto& path : files)
        bareNames.push_back(FileSystem::NamePart(FileSystem::WithoutTrailingSeparators(path)));
    const std::vector<std::string> names = ArchiveEntryNames(bareNames);

    // Names, kinds and sizes first: most changes show there without reading.
    // Each file is opened once and its size taken from the open file, so
    // what is read is what was measured.
    Descriptors descriptors;
    descriptors.open.assign(files.size(), -1);
    std::vector<const ArchiveEntry*> entryOf(files.size());
    std::vector<Piece> pieces;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        // Never blocks on a FIFO planted under a companion's name.
        descriptors.open[i] = ::open(files[i].c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat status {};
        if (descriptors.open[i] < 0 || ::fstat(descriptors.open[i], &status) != 0)
            return false;
        const bool folder = S_ISDIR(status.st_mode);
        const auto found = entryNamed.find(folder ? names[i] + "/" : names[i]);
        if (found == entryNamed.end() || found->second->folder != folder)
            return false;
        entryOf[i] = found->second;
        if (folder)
            continue;
        if (!S_ISREG(status.st_mode))
            return false;
        const auto size = static_cast<std::uint64_t>(status.st_size);
        if (size != entryOf[i]->size)
            return false;
        for (std::uint64_t offset = 0; offset < size; offset += kPieceSize)
            pieces.push_back({i, offset, std::min(kPieceSize, size - offset)});
        total += size;
    }

    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    const auto read = [&] {
        for (std::size_t at; !failed.load(std::memory_order_relaxed) && (at = next++) < pieces.size();) {
            if (!ReadPiece(descriptors.open[pieces[at].file], pieces[at]))
                failed = true;
        }
    };
    if (total < kReadAlone || pieces.size() < 2) {
        read();
    } else {
        const unsigned readers =
            std::clamp<unsigned>(std::thread::hardware_concurrency(), 1u, static_cast<unsigned>(pieces.size()));
        WorkerGroup helping(WorkerPool::Shared(), readers - 1);
        std::vector<WorkerGroup::Ticket> helpers;
        for (unsigned i = 1; i < readers; ++i)
            helpers.push_back(helping.Submit(read));
        read();
        for (const auto& helper : helpers)
            helping.Wait(helper);
    }
    if (failed)
        return false;

    // Each file's pieces are in order: their CRC-32s join into the file's.
    std::vector<std::uint32_t> crcOf(files.size(), 0);
    for (const Piece& piece : pieces)
        crcOf[piece.file] =
            static_cast<std::uint32_t>(crc32_combine(crcOf[piece.file], piece.crc, static_cast<z_off_t>(piece.length)));
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!entryOf[i]->folder && crcOf[i] != entryOf[i]->crc)
            return false;
    }
    return true;
}

// Little-endian fields of the ZIP format.
std::uint64_t Field(const unsigned char* at, int bytes)
{
    std::uint64_t value = 0;
    for (int i = bytes; i-- > 0;)
        value = value << 8 | at[i];
    return value;
}

bool ReadWhole(int descriptor, unsigned char* into, std::size_t length, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(descriptor, into + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

constexpr std::size_t kEndRecord = 22;
constexpr std::size_t kZip64Locator = 20;
constexpr std::size_t kZip64EndRecord = 56;
constexpr std::size_t kDirectoryRecord = 46;
// A directory larger than this is left to libzip.
constexpr std::uint64_t kLargestDirectory = 16 << 20;

// The entries the archive's central directory records, read from its end in
// one or two reads. nullopt for whatever is not a plain, whole directory of
// one disk (a comment that looks like a record, a split archive, a directory
// that does not add up): libzip then has its say.
std::optional<std::vector<ArchiveEntry>> ReadDirectory(int descriptor, std::uint64_t fileSize)
{
    if (fileSize < kEndRecord)
        return std::nullopt;
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, 0xFFFF + kEndRecord + kZip64Locator));
    const std::uint64_t tailOffset = fileSize - tailSize;
    std::vector<unsigned char> tail(tailSize);
    if (!ReadWhole(descriptor, tail.data(), tailSize, tailOffset))
        return std::nullopt;

    // The end record is the last one whose comment reaches the end of the file.
    std::size_t end = tailSize - kEndRecord;
    for (;; --end) {
        const unsigned char* record = tail.data() + end;
        if (Field(record, 4) == 0x06054b50 && end + kEndRecord + Field(record + 20, 2) == tailSize)
            break;
        if (end == 0)
            return std::nullopt;
    }
    const unsigned char* record = tail.data() + end;
    if (Field(record + 4, 2) != 0 || Field(record + 6, 2) != 0)
        return std::nullopt;
    std::uint64_t count = Field(record + 10, 2);
    std::uint64_t size = Field(record + 12, 4);
    std::uint64_t offset = Field(record + 16, 4);
    std::uint64_t directoryEnd = tailOffset + end;
    if (count == 0xFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF) {
        if (end < kZip64Locator)
            return std::nullopt;
        const unsigned char* locator = record - kZip64Locator;
        if (Field(locator, 4) != 0x07064b50 || Field(locator + 4, 4) != 0 || Field(locator + 16, 4) != 1)
            return std::nullopt;
        const std::uint64_t zip64End = Field(locator + 8, 8);
        if (zip64End > directoryEnd - kZip64Locator || directoryEnd - kZip64Locator - zip64End < kZip64EndRecord)
            return std::nullopt;
        unsigned char zip64[kZip64EndRecord];
        if (!ReadWhole(descriptor, zip64, sizeof zip64, zip64End) || Field(zip64, 4) != 0x06064b50 ||
            Field(zip64 + 16, 4) != 0 || Field(zip64 + 20, 4) != 0)
            return std::nullopt;
        count = Field(zip64 + 32, 8);
        size = Field(zip64 + 40, 8);
        offset = Field(zip64 + 48, 8);
        directoryEnd = zip64End;
    }
    if (offset > directoryEnd || directoryEnd - offset != size || size > kLargestDirectory ||
        count > size / kDirectoryRecord)
        return std::nullopt;

    std::vector<unsigned char> read;
    const unsigned char* directory = nullptr;
    if (offset >= tailOffset) {
        directory = tail.data() + (offset - tailOffset);
    } else {
        read.resize(static_cast<std::size_t>(size));
        if (!ReadWhole(descriptor, read.data(), read.size(), offset))
            return std::nullopt;
        directory = read.data();
    }

    std::vector<ArchiveEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (size - at < kDirectoryRecord || Field(directory + at, 4) != 0x02014b50)
            return std::nullopt;
        const unsigned char* header = directory + at;
        const auto nameLength = static_cast<std::size_t>(Field(header + 28, 2));
        const auto extraLength = static_cast<std::size_t>(Field(header + 30, 2));
        const auto commentLength = static_cast<std::size_t>(Field(header + 32, 2));
        const std::size_t recordLength = kDirectoryRecord + nameLength + extraLength + commentLength;
        if (size - at < recordLength)
            return std::nullopt;
        ArchiveEntry entry;
        entry.name.assign(reinterpret_cast<const char*>(header + kDirectoryRecord), nameLength);
        entry.crc = static_cast<std::uint32_t>(Field(header + 16, 4));
        entry.size = Field(header + 24, 4);
        entry.folder = !entry.name.empty() && entry.name.back() == '/';
        if (entry.size == 0xFFFFFFFF) {
            // The zip64 field holds the sizes that do not fit, uncompressed first.
            const unsigned char* extra = header + kDirectoryRecord + nameLength;
            bool found = false;
            for (std::size_t field = 0; field + 4 <= extraLength && !found;) {
                const auto length = static_cast<std::size_t>(Field(extra + field + 2, 2));
                if (field + 4 + length > extraLength)
                    return std::nullopt;
                if (Field(extra + field, 2) == 0x0001) {
                    if (length < 8)
                        return std::nullopt;
                    entry.size = Field(extra + field + 4, 8);
                    found = true;
                }
                field += 4 + length;
            }
            if (!found)
                return std::nullopt;
        }
        entries.push_back(std::move(entry));
        at += recordLength;
    }
    return entries;
}

// The directory of an archive that retention would count: the effective
// user's own regular file, not a link.
std::optional<std::vector<ArchiveEntry>> OwnArchiveDirectory(const std::string& archivePath, bool& counted)
{
    counted = false;
    // Never blocks on a FIFO planted under an archive's name.
    const int descriptor = ::open(archivePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    struct stat status {};
    if (descriptor < 0) {
        // One of the user's own that cannot be opened is compared with, and differs.
        counted = ::lstat(archivePath.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
                  status.st_uid == ::geteuid();
        return std::nullopt;
    }
    std::optional<std::vector<ArchiveEntry>> entries;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()) {
        counted = true;
        entries = ReadDirectory(descriptor, static_cast<std::uint64_t>(status.st_size));
    }
    ::close(descriptor);
    return entries;
}

} // namespace

ArchiveComparison CompareArchive(const std::string& archivePath, const std::vector<std::string>& files,
                                 const std::string& dataFileName)
{
    bool counted = false;
    std::optional<std::vector<ArchiveEntry>> entries = OwnArchiveDirectory(archivePath, counted);
    if (!counted)
        return ArchiveComparison::NotCounted;
    if (!entries) {
        // Not a plain directory, or not readable: libzip decides.
        try {
            entries = ArchiveReader(archivePath, ArchiveReader::Opening::DirectoryOnly).Entries();
        } catch (const RuntimeError&) {
            return ArchiveComparison::Different;
        }
    }
    if (std::none_of(entries->begin(), entries->end(),
                     [&](const ArchiveEntry& entry) { return entry.name == dataFileName; }))
        return ArchiveComparison::OtherDataFile;
    return SameFiles(*entries, files) ? ArchiveComparison::Same : ArchiveComparison::Different;
}

} // namespace ze6
