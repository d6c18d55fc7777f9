#pragma once

#include <string>
#include <vector>

namespace ze6::test {

struct ZipEntry {
    std::string name;
    std::string content;
};

// Reads a whole ZIP archive back with libzip, verifying every entry's CRC.
// Throws std::runtime_error when the archive cannot be opened or read.
std::vector<ZipEntry> ReadZip(const std::string& path);
std::vector<std::string> ZipEntryNames(const std::string& path);

} // namespace ze6::test
