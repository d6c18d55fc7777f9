#include "engine/Pruning.h"

#include "engine/TargetFolderListings.h"
#include "engine/WrittenArchives.h"
#include "platform/FileSystem.h"
#include "platform/HiddenTemporaryFile.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace ze6::modDAZadaro {

namespace {

// "yyyy-mm-dd-hh-mm-ss": what an archive name holds between its stem and ".RZZ".
constexpr std::string_view kTimestampForm = "dddd-dd-dd-dd-dd-dd";
constexpr std::string_view kArchiveExtension = ".RZZ";

bool HasTimestampForm(std::string_view text)
{
    if (text.size() != kTimestampForm.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool wantsDigit = kTimestampForm[i] == 'd';
        const bool isDigit = text[i] >= '0' && text[i] <= '9';
        if (wantsDigit != isDigit || (!wantsDigit && text[i] != '-'))
            return false;
    }
    return true;
}

// An unlocked temporary younger than this is left alone: a writer takes its
// lock right after creating the file, and a writer on another host of a
// network file system may not share locks with this one at all. A series
// being written now is this run's own business; any other archive's
// temporary, whose data file may long be gone, waits for an hour.
constexpr std::chrono::seconds kOwnSeriesAbandonedAfter{60};
constexpr std::chrono::seconds kAnySeriesAbandonedAfter{3600};

} // namespace

std::optional<std::string> SeriesKey(const std::string& name)
{
    const std::size_t tail = kTimestampForm.size() + kArchiveExtension.size();
    if (name.size() <= tail)
        return std::nullopt;
    const std::string_view view(name);
    if (!HasTimestampForm(view.substr(name.size() - tail, kTimestampForm.size())) ||
        !FileSystem::EqualIgnoringCase(name.substr(name.size() - kArchiveExtension.size()),
                                       std::string(kArchiveExtension)))
        return std::nullopt;
    return FileSystem::FoldCase(name.substr(0, name.size() - tail));
}

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

namespace {

// The "yyyy-mm-dd-hh-mm-ss" of an archive name, whose text order is its time order.
std::string_view TimestampOf(std::string_view name)
{
    const std::size_t tail = kTimestampForm.size() + kArchiveExtension.size();
    return name.size() < tail ? std::string_view() : name.substr(name.size() - tail, kTimestampForm.size());
}

// The stem's file name (up to and including the underscore in front of the
// timestamp); empty when archivePath is not an archive path in targetFolder.
std::string StemName(const std::string& archivePath, const std::string& targetFolder)
{
    const std::size_t tail = kTimestampForm.size() + kArchiveExtension.size();
    if (archivePath.size() < targetFolder.size() + tail)
        return {};
    return archivePath.substr(targetFolder.size(), archivePath.size() - tail - targetFolder.size());
}

} // namespace

void RemoveAbandonedTemporaries(const std::string& archivePath, const std::string& targetFolder)
{
    const std::string stemName = StemName(archivePath, targetFolder);
    if (stemName.empty())
        return;
    if (auto* listings = TargetFolderListings::Current()) {
        for (const auto& name : listings->TakeTemporaries(targetFolder, stemName))
            HiddenTemporaryFile::RemoveIfAbandoned(targetFolder, name, kOwnSeriesAbandonedAfter);
        for (const auto& name : listings->TakeEveryTemporaryOnce(targetFolder))
            HiddenTemporaryFile::RemoveIfAbandoned(targetFolder, name, kAnySeriesAbandonedAfter);
        return;
    }
    const std::string key = FileSystem::FoldCase(stemName);
    HiddenTemporaryFile::RemoveAbandoned(
        targetFolder, [&](const std::string& finalName) -> std::optional<std::chrono::seconds> {
            const auto series = SeriesKey(finalName);
            if (!series)
                return std::nullopt;
            return *series == key ? kOwnSeriesAbandonedAfter : kAnySeriesAbandonedAfter;
        });
}

void PruneArchives(const std::string& archivePath, const std::string& targetFolder, std::int32_t keepLastCount)
{
    if (keepLastCount <= 0)
        return;
    const std::string stemName = StemName(archivePath, targetFolder);
    if (stemName.empty())
        return;
    const std::size_t keep = static_cast<std::size_t>(keepLastCount);

    auto* listings = TargetFolderListings::Current();
    std::vector<std::string> series;
    if (listings) {
        series = listings->Series(targetFolder, stemName);
    } else {
        const std::string key = FileSystem::FoldCase(stemName);
        for (auto& name : FileSystem::ListFiles(targetFolder + stemName + "*" + std::string(kArchiveExtension))) {
            if (SeriesKey(name) == key)
                series.push_back(std::move(name));
        }
    }
    if (series.size() <= keep)
        return;

    // In a shared folder others can plant names in the series, and a clock
    // set back or another time zone dates the new archive before the ones
    // already there. So only the user's own regular files dated up to the new
    // archive count as generations, and this process never deletes its own.
    const std::string_view newest = TimestampOf(archivePath);
    std::vector<std::string> counted;
    std::unordered_map<std::string, FileSystem::EntryFacts> factsOf;
    for (const auto& name : series) {
        if (TimestampOf(name) > newest)
            continue;
        const auto facts = FileSystem::EntryFactsOf(targetFolder + name);
        if (facts && facts->regularFile && facts->ownedByEffectiveUser) {
            counted.push_back(targetFolder + name);
            factsOf.emplace(counted.back(), *facts);
        }
    }
    if (counted.size() <= keep)
        return;

    const auto sorted = SortFileList(counted, CompareMode::Text);
    std::unordered_set<std::string> deleted;
    // The job's listing keeps what is still there, even when a deletion fails.
    const auto remember = [&] {
        FileSystem::InvalidateCache(targetFolder);
        if (!listings || deleted.empty())
            return;
        std::vector<std::string> left;
        for (auto& name : series) {
            if (!deleted.count(name))
                left.push_back(std::move(name));
        }
        listings->ReplaceSeries(targetFolder, stemName, std::move(left));
    };
    try {
        for (std::size_t i = 0; i + keep < sorted.size(); ++i) {
            if (WrittenByThisProcess(sorted[i], factsOf.at(sorted[i])))
                continue;
            FileSystem::DeleteFile(sorted[i]);
            deleted.insert(sorted[i].substr(targetFolder.size()));
        }
    } catch (...) {
        remember();
        throw;
    }
    remember();
}

} // namespace ze6::modDAZadaro
