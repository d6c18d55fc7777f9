#include "engine/WrittenArchives.h"

#include "platform/files/PathText.h"

namespace ze6::modDAZadaro {

void WrittenArchives::Remember(const std::string& path)
{
    const auto facts = FileSystem::EntryFactsOf(path);
    if (facts && facts->regularFile)
        m_archives.emplace(facts->device, facts->inode, FileSystem::NamePart(path));
}

bool WrittenArchives::Contains(const std::string& path) const
{
    const auto facts = FileSystem::EntryFactsOf(path);
    return facts && Contains(path, *facts);
}

bool WrittenArchives::Contains(const std::string& path, const FileSystem::EntryFacts& facts) const
{
    return facts.regularFile && m_archives.count(Identity{facts.device, facts.inode, FileSystem::NamePart(path)}) != 0;
}

} // namespace ze6::modDAZadaro
