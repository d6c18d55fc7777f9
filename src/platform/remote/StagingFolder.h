#pragma once

#include <string>

namespace ze6 {

// A private folder (mode 0700) under $XDG_CACHE_HOME/ZE6Vivevu/ where a run
// makes and checks its archives before they go to a remote; it goes with
// everything in it on destruction. Creating one removes what runs that are
// no longer alive left behind.
class StagingFolder final {
public:
    // Raises RuntimeError when no folder can be made.
    StagingFolder();
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    // Ends in "/".
    const std::string& Path() const { return m_path; }

    // $XDG_CACHE_HOME/ZE6Vivevu/ (or ~/.cache/ZE6Vivevu/).
    static std::string Root();

private:
    std::string m_path;
};

} // namespace ze6
