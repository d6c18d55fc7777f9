#pragma once

#include <cstddef>
#include <string>

namespace ze6::test {

// A tmpfs of a few bytes mounted on a folder for the object's lifetime, so a
// test meets a disk that is really full (ENOSPC) rather than a file size
// limit. Mounting needs CAP_SYS_ADMIN: without it Mounted() is false and
// Reason() says why, for the caller to skip.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Reason() const { return m_reason; }

    // Takes up every free byte with one file of that name, so the next write fails.
    void Fill(const std::string& name = ".filler") const;

private:
    std::string m_folder;
    bool m_mounted = false;
    std::string m_reason;
};

} // namespace ze6::test
