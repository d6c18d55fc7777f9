#include "engine/WrittenArchives.h"

namespace ze6::modDAZadaro {

namespace {

std::string NameOf(const std::string& path)
{
    const auto slash = path.rfind(FileSystem::kSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void WrittenArchives::Remember(const std::string& path)
{
    const auto facts = FileSystem::EntryFactsOf(path);
    if (facts && facts->regularFile)
        m_archives.emplace(facts->device, facts->inode, NameOf(path));
}

bool WrittenArchives::Contains(const std::string& path) const
{
    const auto facts = FileSystem::EntryFactsOf(path);
    return facts && Contains(path, *facts);
}

bool WrittenArchives::Contains(const std::string& path, const FileSystem::EntryFacts& facts) const
{
    return facts.regularFile && m_archives.count(Identity{facts.device, facts.inode, NameOf(path)}) != 0;
}

} // namespace ze6::modDAZadaro
