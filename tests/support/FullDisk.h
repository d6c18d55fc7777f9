#pragma once

#include <csignal>
#include <cstddef>
#include <string>
#include <sys/resource.h>

namespace ze6::test {

// Two ways to meet a full disk. SmallDisk mounts a tmpfs of a few bytes on a
// folder for its lifetime: a real ENOSPC, but mounting needs CAP_SYS_ADMIN,
// so without it Mounted() is false and Reason() says why, for the caller to
// skip. FileSizeLimit works anywhere: SIGXFSZ ignored and every file this
// process writes held to a few bytes, so a write beyond fails with EFBIG.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_folder;
    bool m_mounted = false;
    std::string m_reason;
};

// Restores the limit and the signal's handling on destruction; Apply alone
// (e.g. in a child before exec) keeps them.
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
