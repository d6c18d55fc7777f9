#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ze6 {

// What an entry of a just-written archive must hold: what was read from its
// file while archiving. A folder entry holds nothing.
struct ExpectedEntry {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool folder = false;
};

// Reads the archive in `descriptor` back as any extracting tool would, entry
// by entry, decompressing every one and checking its name, length and CRC-32
// against `expected`. Raises RuntimeError (source "ArchiveWriter") on the
// first difference.
void CheckArchiveReadsBack(int descriptor, const std::vector<ExpectedEntry>& expected);

// Tests damage the written archive (given its descriptor) just before it is
// read back, to show that a bad archive never reaches its name; empty clears.
void SetBeforeReadBackForTesting(std::function<void(int descriptor)> damage);

} // namespace ze6
