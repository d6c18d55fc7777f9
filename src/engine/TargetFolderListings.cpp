#include "engine/TargetFolderListings.h"

#include "engine/ArchiveSeries.h"
#include "platform/archive/HiddenTemporaryFile.h"

#include <algorithm>

namespace ze6::modDAZadaro {

namespace {

// The longest span since a listing was last confirmed that a change of the
// run's own may close without the folder being listed again, unless listing
// costs more: then up to ten times that.
constexpr std::chrono::seconds kLongestTrustedSpan{1};
constexpr int kSpanPerListingCost = 10;

// Beyond this many folders listed, a run keeps the listings of the folders
// its last job used only: a configuration file with a job for each of
// hundreds of folders of many archives would otherwise hold them all.
constexpr std::size_t kMostFoldersHeld = 16;

} // namespace

TargetFolderListings::Clock::duration TargetFolderListings::TrustedSpan(const Folder& entry)
{
    Clock::duration cost{};
    if (entry.archivesListed)
        cost += entry.archivesCost;
    if (entry.temporariesListed)
        cost += entry.temporariesCost;
    return std::max<Clock::duration>(kLongestTrustedSpan, kSpanPerListingCost * cost);
}

TargetFolderListings::Folder& TargetFolderListings::Current(const std::string& folder)
{
    Folder& entry = m_folders[folder];
    entry.job = m_job;
    const auto stamp = FileSystem::FolderStampOf(folder);
    const auto now = Clock::now();
    if (!entry.stale && stamp && entry.stamp) {
        if (*stamp == *entry.stamp) {
            entry.confirmedAt = now;
            return entry;
        }
        // While the run builds archives there, each as a hidden temporary,
        // the folder also changes under the run's own hands. Listing it again
        // for each of thousands of data files would cost the square of their
        // number, so meanwhile a listing is renewed at most once per trusted
        // span; another writer's change is seen then, or once the run's
        // archives there are settled.
        if (entry.underWay > 0 && now - entry.listedAt < TrustedSpan(entry))
            return entry;
    }
    Drop(entry);
    // Stamped before it is listed, so a change while listing shows at the
    // next use. A missing folder is listed at every use: it has no stamp.
    entry.stale = !stamp;
    entry.stamp = stamp;
    entry.confirmedAt = now;
    entry.listedAt = now;
    if (std::find(m_holding.begin(), m_holding.end(), &entry) == m_holding.end())
        m_holding.push_back(&entry);
    return entry;
}

void TargetFolderListings::Drop(Folder& entry)
{
    entry.stale = true;
    entry.archivesListed = false;
    entry.temporariesListed = false;
    entry.archives.clear();
    entry.temporaries.clear();
}

void TargetFolderListings::JobStarted()
{
    const bool many = m_holding.size() > kMostFoldersHeld;
    std::vector<Folder*> held;
    for (Folder* entry : m_holding) {
        if (many && entry->job != m_job)
            Drop(*entry);
        else
            held.push_back(entry);
        if (entry->stamp && entry->stamp->WholeSeconds())
            entry->stale = true;
    }
    m_holding = std::move(held);
    ++m_job;
}

TargetFolderListings::Folder& TargetFolderListings::Archives(const std::string& folder)
{
    Folder& entry = Current(folder);
    if (!entry.archivesListed) {
        const auto started = Clock::now();
        // Listed before it is marked, so a folder that cannot be read is tried again.
        for (auto& name : FileSystem::ListFiles(folder + "*")) {
            if (const auto key = SeriesKey(name))
                entry.archives[*key].push_back(std::move(name));
        }
        entry.archivesListed = true;
        entry.archivesCost = Clock::now() - started;
    }
    return entry;
}

std::vector<std::string> TargetFolderListings::Series(const std::string& folder, const std::string& stemName)
{
    const Folder& entry = Archives(folder);
    const auto found = entry.archives.find(FileSystem::FoldCase(stemName));
    return found == entry.archives.end() ? std::vector<std::string>() : found->second;
}

TargetFolderListings::Folder& TargetFolderListings::TemporariesOf(const std::string& folder)
{
    Folder& entry = Current(folder);
    if (!entry.temporariesListed) {
        const auto started = Clock::now();
        for (auto& name : HiddenTemporaryFile::ListTemporaries(folder)) {
            if (entry.temporariesTaken.count(name) != 0)
                continue;
            if (const auto key = SeriesKey(HiddenTemporaryFile::FinalNameOf(name)))
                entry.temporaries[*key].push_back(std::move(name));
        }
        entry.temporariesListed = true;
        entry.temporariesCost = Clock::now() - started;
    }
    return entry;
}

TargetFolderListings::Temporaries TargetFolderListings::TakeTemporaries(const std::string& folder,
                                                                        const std::string& stemName)
{
    Folder& entry = TemporariesOf(folder);
    Temporaries taken;
    const auto found = entry.temporaries.find(FileSystem::FoldCase(stemName));
    if (found != entry.temporaries.end()) {
        taken.ownSeries = std::move(found->second);
        entry.temporaries.erase(found);
        entry.temporariesTaken.insert(taken.ownSeries.begin(), taken.ownSeries.end());
    }
    if (!entry.otherSeriesTaken) {
        entry.otherSeriesTaken = true;
        // The series keep theirs: what is not old enough now may still be at its own series' turn.
        for (const auto& [key, names] : entry.temporaries)
            taken.otherSeries.insert(taken.otherSeries.end(), names.begin(), names.end());
    }
    return taken;
}

void TargetFolderListings::Changed(const std::string& folder)
{
    const auto found = m_folders.find(folder);
    if (found == m_folders.end() || found->second.stale)
        return;
    Folder& entry = found->second;
    const auto stamp = FileSystem::FolderStampOf(folder);
    const auto now = Clock::now();
    if (stamp && now - entry.confirmedAt <= TrustedSpan(entry)) {
        entry.stamp = stamp;
        entry.confirmedAt = now;
    } else {
        entry.stale = true;
    }
}

void TargetFolderListings::ArchiveUnderWay(const std::string& folder)
{
    ++m_folders[folder].underWay;
}

void TargetFolderListings::ArchiveSettled(const std::string& folder)
{
    auto& count = m_folders[folder].underWay;
    if (count > 0)
        --count;
}

void TargetFolderListings::ArchiveAdded(const std::string& folder, const std::string& name)
{
    const auto found = m_folders.find(folder);
    const auto key = SeriesKey(name);
    // A folder not listed yet will show the archive when it is. One listed
    // since the archive got its name shows it already: counted twice, it
    // would have an older generation pruned too many.
    if (found != m_folders.end() && found->second.archivesListed && key) {
        auto& series = found->second.archives[*key];
        if (std::find(series.rbegin(), series.rend(), name) == series.rend())
            series.push_back(name);
    }
    Changed(folder);
}

void TargetFolderListings::ReplaceSeries(const std::string& folder, const std::string& stemName,
                                         std::vector<std::string> names)
{
    const auto found = m_folders.find(folder);
    if (found != m_folders.end() && found->second.archivesListed)
        found->second.archives[FileSystem::FoldCase(stemName)] = std::move(names);
    Changed(folder);
}

void TargetFolderListings::TemporariesRemoved(const std::string& folder)
{
    Changed(folder);
}

} // namespace ze6::modDAZadaro
