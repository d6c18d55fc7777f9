#include "support/FailingFolderSync.h"

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_failFolders{false};

} // namespace

// Linked into a test, this definition stands in for the C library's for every
// caller in the process.
extern "C" int fsync(int descriptor)
{
    struct stat status {};
    if (g_failFolders && ::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        errno = EIO;
        return -1;
    }
    using Fsync = int (*)(int);
    static const auto real = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
    return real(descriptor);
}

namespace ze6::test {

FailingFolderSync::FailingFolderSync()
{
    g_failFolders = true;
}

FailingFolderSync::~FailingFolderSync()
{
    g_failFolders = false;
}

} // namespace ze6::test
