#include "platform/files/ScratchFolder.h"

#include "platform/RuntimeError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace ze6 {

ScratchFolder::ScratchFolder(const std::string& errorSource) : m_errorSource(errorSource)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        (base != nullptr && *base == '/' ? std::string(base) : std::string("/tmp")) + "/ZE6Vivevu.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw ErrorFromErrno(errno, m_errorSource, pattern);
    m_folder = pattern;
}

ScratchFolder::~ScratchFolder()
{
    for (const auto& path : m_files)
        ::unlink(path.c_str());
    ::rmdir(m_folder.c_str());
}

std::string ScratchFolder::Write(const std::string& name, const std::string& content)
{
    const std::string path = m_folder + "/" + name;
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        throw ErrorFromErrno(errno, m_errorSource, path);
    m_files.push_back(path);
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t written = ::write(descriptor, content.data() + done, content.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            const int error = errno;
            ::close(descriptor);
            throw ErrorFromErrno(error, m_errorSource, path);
        }
        done += static_cast<std::size_t>(written);
    }
    if (::close(descriptor) != 0)
        throw ErrorFromErrno(errno, m_errorSource, path);
    return path;
}

} // namespace ze6
