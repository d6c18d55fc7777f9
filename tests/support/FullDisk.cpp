#include "support/FullDisk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/mount.h>
#include <unistd.h>

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

void SmallDisk::Fill() const
{
    const std::string path = m_folder + "/.filler";
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const std::string block(4096, 'f');
    // Whole blocks first, then single bytes into the last partly used one.
    for (std::size_t size = block.size(); descriptor >= 0 && size > 0;) {
        if (::write(descriptor, block.data(), size) < 0)
            size /= 2;
    }
    if (descriptor >= 0)
        ::close(descriptor);
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
