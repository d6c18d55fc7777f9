#include "support/SmallDisk.h"

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

void SmallDisk::Fill(const std::string& name) const
{
    const std::string path = m_folder + (m_folder.back() == '/' ? "" : "/") + name;
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const std::string block(4096, 'f');
    std::size_t size = block.size();
    // Whole blocks first, then single bytes into the last partly used one.
    while (descriptor >= 0 && size > 0) {
        if (::write(descriptor, block.data(), size) < 0)
            size /= 2;
    }
    if (descriptor >= 0)
        ::close(descriptor);
}

} // namespace ze6::test
