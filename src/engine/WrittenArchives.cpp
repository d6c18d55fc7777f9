#include "engine/WrittenArchives.h"

#include "platform/FileSystem.h"

#include <mutex>
#include <set>
#include <tuple>

namespace ze6::modDAZadaro {

namespace {

// The file itself and its name: a number the file system hands out again
// after a deletion never makes another file look like one of ours.
using Identity = std::tuple<std::uint64_t, std::uint64_t, std::string>;

std::string NameOf(const std::string& path)
{
    const auto slash = path.rfind(FileSystem::kSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<Identity> IdentityOf(const std::string& path)
{
    const auto facts = FileSystem::EntryFactsOf(path);
    if (!facts || !facts->regularFile)
        return std::nullopt;
    return Identity{facts->device, facts->inode, NameOf(path)};
}

struct Written {
    std::mutex mutex;
    std::set<Identity> archives;
};

Written& TheWritten()
{
    static Written written;
    return written;
}

} // namespace

void RememberWrittenArchive(const std::string& path)
{
    if (auto identity = IdentityOf(path)) {
        const std::lock_guard lock(TheWritten().mutex);
        TheWritten().archives.insert(std::move(*identity));
    }
}

bool WrittenByThisProcess(const std::string& path)
{
    const auto facts = FileSystem::EntryFactsOf(path);
    return facts && WrittenByThisProcess(path, *facts);
}

bool WrittenByThisProcess(const std::string& path, const FileSystem::EntryFacts& facts)
{
    if (!facts.regularFile)
        return false;
    const std::lock_guard lock(TheWritten().mutex);
    return TheWritten().archives.count(Identity{facts.device, facts.inode, NameOf(path)}) != 0;
}

} // namespace ze6::modDAZadaro
