#include "support/FullDisk.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/mount.h>

namespace ze6::test {

SmallDisk::SmallDisk(const std::string& folder, std::size_t bytes) : m_folder(folder)
{
    std::filesystem::create_directories(folder);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("ze6test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0)
        m_mounted = true;
    else
        m_reason = std::string("cannot mount a small disk here: ") + std::strerror(errno);
}

SmallDisk::~SmallDisk()
{
    // Detached, so that a file a failed test left open cannot keep it mounted.
    if (m_mounted)
        ::umount2(m_folder.c_str(), MNT_DETACH);
}

FileSizeLimit::FileSizeLimit(std::size_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
{
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    Apply(bytes);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_handler);
}

void FileSizeLimit::Apply(std::size_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace ze6::test
