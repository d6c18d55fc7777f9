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

} // namespace

ArchiveComparison CompareArchive(const std::string& archivePath, const std::vector<std::string>& files,
                                 const std::string& dataFileName)
{
    std::vector<ArchiveEntry> entries;
    try {
        entries = ArchiveReader(archivePath, ArchiveReader::Opening::DirectoryOnly).Entries();
    } catch (const RuntimeError&) {
        return ArchiveComparison::Different;
    }
    if (std::none_of(entries.begin(), entries.end(),
                     [&](const ArchiveEntry& entry) { return entry.name == dataFileName; }))
        return ArchiveComparison::OtherDataFile;
    return SameFiles(entries, files) ? ArchiveComparison::Same : ArchiveComparison::Different;
}

} // namespace ze6
