#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ze6 {

// What an entry of a just-written archive must hold: what was read from its
// file while archiving, and the bytes the writer stored for it (the
// compressed stream, already checked to expand to what was read). A folder
// entry holds nothing.
struct ExpectedEntry {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool folder = false;
    std::uint64_t storedSize = 0;
    std::uint32_t storedCrc = 0;
};

// Reads the archive in `descriptor` back through libzip as an extracting tool
// would find it: its directory must be consistent, and every entry must carry
// the expected name, length and CRC-32 and hold exactly the stored bytes the
// writer produced. Inflating again here would only repeat, on one core, the
// check the compressor made on every block. Raises RuntimeError (source
// "ArchiveWriter") on the first difference.
void CheckArchiveReadsBack(int descriptor, const std::vector<ExpectedEntry>& expected);

} // namespace ze6
