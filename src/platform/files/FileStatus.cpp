#include "platform/files/FileStatus.h"

#include <sys/stat.h>

namespace ze6 {

std::optional<FileStatus> StatusOf(const std::string& path)
{
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileStatus{S_ISDIR(status.st_mode), static_cast<std::uint64_t>(status.st_size)};
}

} // namespace ze6
