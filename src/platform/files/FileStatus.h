#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ze6 {

struct FileStatus {
    bool folder = false;
    std::uint64_t size = 0;
};

// What kind of entry `path` names (as spelled; symbolic links followed), or
// nullopt when there is none. Never raises.
std::optional<FileStatus> StatusOf(const std::string& path);

} // namespace ze6
