#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ze6::test {

struct ZipEntry {
    std::string name;
    std::string content;
    bool operator==(const ZipEntry&) const = default;
    friend void PrintTo(const ZipEntry& e, std::ostream* out)
    {
        *out << e.name << ", " << e.content.size() << " bytes";
    }
};

// Reads a whole ZIP archive back with libzip, verifying every entry's CRC.
// Throws std::runtime_error when the archive cannot be opened or read.
std::vector<ZipEntry> ReadZip(const std::string& path);
std::vector<std::string> ZipEntryNames(const std::string& path);

} // namespace ze6::test
