#include "platform/archive/ArchiveComparison.h"

#include "platform/RuntimeError.h"
#include "platform/archive/ArchiveEntryNames.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/files/PathText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <libdeflate.h>
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
constexpr std::size_t kBufferSize = 1 << 20;
// Less than this in all is read on the calling thread: starting readers
// would cost more than they save.
constexpr std::uint64_t kReadAlone = 4 << 20;

struct Piece {
    std::size_t file;
    std::uint64_t offset;
    std::uint64_t length;
    std::uint32_t crc = 0;
};

// The CRC-32 of one piece of a file; false when it cannot be read whole.
bool ReadPiece(const std::string& path, Piece& piece, std::vector<unsigned char>& buffer)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return false;
    ::posix_fadvise(descriptor, static_cast<off_t>(piece.offset), static_cast<off_t>(piece.length),
                    POSIX_FADV_SEQUENTIAL);
    std::uint32_t crc = 0;
    std::uint64_t done = 0;
    bool whole = true;
    while (done < piece.length) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), piece.length - done));
        const ssize_t got = ::pread(descriptor, buffer.data(), wanted, static_cast<off_t>(piece.offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            whole = false;
            break;
        }
        crc = static_cast<std::uint32_t>(libdeflate_crc32(crc, buffer.data(), static_cast<std::size_t>(got)));
        done += static_cast<std::uint64_t>(got);
    }
    ::close(descriptor);
    piece.crc = crc;
    return whole;
}

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
    std::vector<const ArchiveEntry*> entryOf(files.size());
    std::vector<Piece> pieces;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        struct stat status {};
        if (::stat(files[i].c_str(), &status) != 0)
            return false;
        const bool folder = S_ISDIR(status.st_mode);
        const auto found = entryNamed.find(folder ? names[i] + "/" : names[i]);
        if (found == entryNamed.end() || found->second->folder != folder)
            return false;
        entryOf[i] = found->second;
        if (folder)
            continue;
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
        std::vector<unsigned char> buffer(kBufferSize);
        for (std::size_t at; !failed.load(std::memory_order_relaxed) && (at = next++) < pieces.size();) {
            if (!ReadPiece(files[pieces[at].file], pieces[at], buffer))
                failed = true;
        }
    };
    const unsigned readers = total < kReadAlone ? 1u
                                                : std::clamp<unsigned>(std::thread::hardware_concurrency(), 1u,
                                                                       static_cast<unsigned>(pieces.size()));
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < readers; ++i)
        helpers.emplace_back(read);
    read();
    for (auto& helper : helpers)
        helper.join();
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
        entries = ArchiveReader(archivePath).Entries();
    } catch (const RuntimeError&) {
        return ArchiveComparison::Different;
    }
    if (std::none_of(entries.begin(), entries.end(),
                     [&](const ArchiveEntry& entry) { return entry.name == dataFileName; }))
        return ArchiveComparison::OtherDataFile;
    return SameFiles(entries, files) ? ArchiveComparison::Same : ArchiveComparison::Different;
}

} // namespace ze6
