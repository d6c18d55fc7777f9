#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace ze6 {

// One entry of an archive as its directory records it. Names are the stored
// bytes: the writer keeps a name that is not UTF-8 byte for byte.
struct ArchiveEntry {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::time_t modified = 0;
    bool folder = false;
    // The permission bits the writer recorded (rwx for owner, group and
    // others), or -1 for an archive made on a system that records none.
    int mode = -1;
};

// Reads an existing archive through libzip. Every failure is a RuntimeError
// with source "ArchiveReader" whose description ends in ": " and the path it
// is about (the archive, or the file an entry is written to): a file that
// cannot be read or written carries the classic number of the system error,
// damaged content 57 with a reason that says what is wrong.
class ArchiveReader final {
public:
    enum class Opening {
        Checked,       // the directory is checked against every entry's local header
        DirectoryOnly, // only the directory is read: what it records is all that is used
    };

    // Opens the archive and reads its directory.
    explicit ArchiveReader(const std::string& path, Opening opening = Opening::Checked);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    const std::string& Path() const { return m_path; }
    const std::vector<ArchiveEntry>& Entries() const { return m_entries; }

    // Inflates every entry and checks its length and CRC-32.
    void CheckEntries();

    // Inflates one entry into memory; an entry longer than `limit` bytes is
    // refused as damaged.
    std::string Read(std::size_t index, std::uint64_t limit);

    // Inflates one entry into the empty file `descriptor` (named `targetPath`
    // in errors), makes it durable, reads it back, checks length and CRC-32
    // against the directory, and gives it the entry's modification time.
    void ExtractTo(std::size_t index, int descriptor, const std::string& targetPath);

private:
    struct Handle;
    std::string m_path;
    std::unique_ptr<Handle> m_handle;
    std::vector<ArchiveEntry> m_entries;
    std::vector<char> m_buffer;
};

} // namespace ze6
