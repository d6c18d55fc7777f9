#pragma once

#include <csignal>
#include <cstddef>
#include <sys/resource.h>

namespace ze6::test {

// A full disk anywhere: SIGXFSZ ignored and every file this process writes
// held to a few bytes, so that a write beyond fails with EFBIG. Restores the
// limit and the signal's handling on destruction; Apply alone (e.g. in a
// child before exec) keeps them.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::size_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    static void Apply(std::size_t bytes);

private:
    sighandler_t m_handler;
    rlimit m_saved{};
};

} // namespace ze6::test
