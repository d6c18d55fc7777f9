#pragma once

#include "platform/files/FileSystem.h"

#include <cstdint>
#include <set>
#include <string>
#include <tuple>

namespace ze6::modDAZadaro {

// The archives one run has written. Pruning never deletes one of them (a
// clock set back, or a data file of another generation in the same series,
// must not cost the run its own work), and a name that one of them holds
// already is the run's own clash, not another writer's. An earlier run's
// archives are generations like any other.
class WrittenArchives final {
public:
    void Remember(const std::string& path);
    bool Contains(const std::string& path) const;
    // The same for an entry already looked at.
    bool Contains(const std::string& path, const FileSystem::EntryFacts& facts) const;

private:
    // The file itself and its name: a number the file system hands out again
    // after a deletion never makes another file look like one of ours.
    using Identity = std::tuple<std::uint64_t, std::uint64_t, std::string>;
    std::set<Identity> m_archives;
};

} // namespace ze6::modDAZadaro
