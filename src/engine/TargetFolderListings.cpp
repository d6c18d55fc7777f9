#include "engine/TargetFolderListings.h"

#include "engine/ArchiveSeries.h"
#include "platform/archive/HiddenTemporaryFile.h"
#include "platform/files/FileSystem.h"

namespace ze6::modDAZadaro {

TargetFolderListings::Folder& TargetFolderListings::Archives(const std::string& folder)
{
    Folder& entry = m_folders[folder];
    if (!entry.archivesListed) {
        // Listed before it is marked, so a folder that cannot be read is tried again.
        for (auto& name : FileSystem::ListFiles(folder + "*")) {
            if (const auto key = SeriesKey(name))
                entry.archives[*key].push_back(std::move(name));
        }
        entry.archivesListed = true;
    }
    return entry;
}

std::vector<std::string> TargetFolderListings::Series(const std::string& folder, const std::string& stemName)
{
    const Folder& entry = Archives(folder);
    const auto found = entry.archives.find(FileSystem::FoldCase(stemName));
    return found == entry.archives.end() ? std::vector<std::string>() : found->second;
}

TargetFolderListings::Folder& TargetFolderListings::Temporaries(const std::string& folder)
{
    Folder& entry = m_folders[folder];
    if (!entry.temporariesListed) {
        for (auto& name : HiddenTemporaryFile::ListTemporaries(folder)) {
            if (const auto key = SeriesKey(HiddenTemporaryFile::FinalNameOf(name)))
                entry.temporaries[*key].push_back(std::move(name));
        }
        entry.temporariesListed = true;
    }
    return entry;
}

std::vector<std::string> TargetFolderListings::TakeEveryTemporaryOnce(const std::string& folder)
{
    Folder& entry = Temporaries(folder);
    std::vector<std::string> every;
    if (entry.everyTemporaryTaken)
        return every;
    entry.everyTemporaryTaken = true;
    // The series keep theirs: what is not old enough now may still be at its own series' turn.
    for (const auto& [key, names] : entry.temporaries)
        every.insert(every.end(), names.begin(), names.end());
    return every;
}

std::vector<std::string> TargetFolderListings::TakeTemporaries(const std::string& folder, const std::string& stemName)
{
    Folder& entry = Temporaries(folder);
    const auto found = entry.temporaries.find(FileSystem::FoldCase(stemName));
    if (found == entry.temporaries.end())
        return {};
    std::vector<std::string> taken = std::move(found->second);
    entry.temporaries.erase(found);
    return taken;
}

void TargetFolderListings::ArchiveAdded(const std::string& folder, const std::string& name)
{
    const auto found = m_folders.find(folder);
    const auto key = SeriesKey(name);
    // A folder not listed yet will show the archive when it is.
    if (found != m_folders.end() && found->second.archivesListed && key)
        found->second.archives[*key].push_back(name);
}

void TargetFolderListings::ReplaceSeries(const std::string& folder, const std::string& stemName,
                                         std::vector<std::string> names)
{
    const auto found = m_folders.find(folder);
    if (found != m_folders.end() && found->second.archivesListed)
        found->second.archives[FileSystem::FoldCase(stemName)] = std::move(names);
}

} // namespace ze6::modDAZadaro
