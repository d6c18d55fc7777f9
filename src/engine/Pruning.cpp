#include "engine/Pruning.h"

#include "engine/ArchiveSeries.h"
#include "engine/Retention.h"
#include "engine/RunContext.h"
#include "platform/archive/ArchiveComparison.h"
#include "platform/archive/HiddenTemporaryFile.h"
#include "platform/files/FileSystem.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace ze6::modDAZadaro {

namespace {

// An unlocked temporary younger than this is left alone: a writer takes its
// lock right after creating the file, and a writer on another host of a
// network file system may not share locks with this one at all. A series
// being written now is this run's own business; any other archive's
// temporary, whose data file may long be gone, waits for an hour.
constexpr std::chrono::seconds kOwnSeriesAbandonedAfter{60};
constexpr std::chrono::seconds kAnySeriesAbandonedAfter{3600};

} // namespace

std::vector<std::string> SortFileList(const std::vector<std::string>& list, CompareMode mode)
{
    if (mode == CompareMode::Binary) {
        std::vector<std::string> sorted = list;
        std::stable_sort(sorted.begin(), sorted.end());
        return sorted;
    }
    // Each string is folded once; equal keys keep their input order, as an
    // insertion after every entry that compares less or equal would leave them.
    std::vector<std::string> keys;
    keys.reserve(list.size());
    for (const auto& text : list)
        keys.push_back(FileSystem::FoldCase(text));
    std::vector<std::size_t> order(list.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(list.size());
    for (const std::size_t index : order)
        sorted.push_back(list[index]);
    return sorted;
}

void RemoveAbandonedTemporaries(RunContext& run, const std::string& archivePath, const std::string& targetFolder)
{
    const std::string stemName = StemName(archivePath, targetFolder);
    if (stemName.empty())
        return;
    const auto taken = run.Listings.TakeTemporaries(targetFolder, stemName);
    bool removed = false;
    for (const auto& name : taken.ownSeries)
        removed = HiddenTemporaryFile::RemoveIfAbandoned(targetFolder, name, kOwnSeriesAbandonedAfter) || removed;
    for (const auto& name : taken.otherSeries)
        removed = HiddenTemporaryFile::RemoveIfAbandoned(targetFolder, name, kAnySeriesAbandonedAfter) || removed;
    if (removed)
        run.Listings.TemporariesRemoved(targetFolder);
}

std::vector<Generation> CountedGenerations(RunContext& run, const std::string& archivePath,
                                           const std::string& targetFolder)
{
    const std::string stemName = StemName(archivePath, targetFolder);
    if (stemName.empty())
        return {};
    const std::string_view newest = TimestampOf(archivePath);
    std::vector<std::string> counted;
    std::unordered_map<std::string, FileSystem::EntryFacts> factsOf;
    for (const auto& name : run.Listings.Series(targetFolder, stemName)) {
        if (TimestampOf(name) > newest)
            continue;
        const auto facts = FileSystem::EntryFactsOf(targetFolder + name);
        if (facts && facts->regularFile && facts->ownedByEffectiveUser) {
            counted.push_back(targetFolder + name);
            factsOf.emplace(counted.back(), *facts);
        }
    }
    std::vector<Generation> generations;
    generations.reserve(counted.size());
    for (auto& path : SortFileList(counted, CompareMode::Text)) {
        const auto facts = factsOf.at(path);
        generations.push_back({std::move(path), facts});
    }
    return generations;
}

bool SameAsNewestGeneration(RunContext& run, const std::string& archivePath, const std::string& targetFolder,
                            const std::vector<std::string>& files, const std::string& dataFileName)
{
    const std::string stemName = StemName(archivePath, targetFolder);
    if (stemName.empty())
        return false;
    const std::string_view newest = TimestampOf(archivePath);
    std::vector<std::string> named;
    for (const auto& name : run.Listings.Series(targetFolder, stemName)) {
        if (TimestampOf(name) <= newest)
            named.push_back(targetFolder + name);
    }
    std::vector<std::string> sorted = SortFileList(named, CompareMode::Text);
    // ABC.RZT and ABC.RZT6 share a series: the newest archive may be the
    // other one's. Only archives that retention counts are compared with,
    // looked at one by one from the newest: the first of the data file decides.
    for (auto path = sorted.rbegin(); path != sorted.rend(); ++path) {
        switch (CompareArchive(*path, files, dataFileName)) {
        case ArchiveComparison::Same:
            return true;
        case ArchiveComparison::Different:
            return false;
        case ArchiveComparison::OtherDataFile:
        case ArchiveComparison::NotCounted:
            break;
        }
    }
    return false;
}

void PruneArchives(RunContext& run, const std::string& archivePath, const std::string& targetFolder,
                   const RetentionRules& rules)
{
    if (!rules.Prunes())
        return;
    const std::string stemName = StemName(archivePath, targetFolder);
    if (stemName.empty())
        return;
    // A keep-last rule alone deletes nothing from a series that short.
    const bool lastOnly = RetentionRules{rules.KeepLastCount} == rules;
    if (lastOnly && run.Listings.Series(targetFolder, stemName).size() <= static_cast<std::size_t>(rules.KeepLastCount))
        return;

    const std::vector<Generation> generations = CountedGenerations(run, archivePath, targetFolder);
    std::vector<std::string> paths;
    paths.reserve(generations.size());
    for (const auto& generation : generations)
        paths.push_back(generation.path);
    const auto verdicts = ApplyRetention(paths, rules);

    std::unordered_set<std::string> deleted;
    // The run's listing keeps what is still there, even when a deletion fails.
    const auto remember = [&] {
        FileSystem::InvalidateCache(targetFolder);
        if (deleted.empty())
            return;
        std::vector<std::string> left;
        for (auto& name : run.Listings.Series(targetFolder, stemName)) {
            if (!deleted.count(name))
                left.push_back(std::move(name));
        }
        run.Listings.ReplaceSeries(targetFolder, stemName, std::move(left));
    };
    try {
        for (std::size_t i = 0; i < generations.size(); ++i) {
            if (verdicts[i].keep || run.Written.Contains(generations[i].path, generations[i].facts))
                continue;
            FileSystem::DeleteFile(generations[i].path);
            deleted.insert(generations[i].path.substr(targetFolder.size()));
        }
    } catch (...) {
        remember();
        throw;
    }
    remember();
}

} // namespace ze6::modDAZadaro
