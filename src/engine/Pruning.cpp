#include "engine/Pruning.h"

#include "platform/FileSystem.h"
#include "platform/HiddenTemporaryFile.h"

#include <algorithm>
#include <numeric>

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

// True when name is stemName, a timestamp and ".RZZ" (letter case ignored),
// so the archives of ABC_DEF never count as archives of ABC.
bool BelongsToSeries(const std::string& name, const std::string& stemName)
{
    const std::size_t tail = kTimestampForm.size() + kArchiveExtension.size();
    if (name.size() <= tail)
        return false;
    const std::string_view view(name);
    const std::string_view extension = view.substr(name.size() - kArchiveExtension.size());
    return HasTimestampForm(view.substr(name.size() - tail, kTimestampForm.size())) &&
           FileSystem::EqualIgnoringCase(std::string(extension), std::string(kArchiveExtension)) &&
           FileSystem::EqualIgnoringCase(name.substr(0, name.size() - tail), stemName);
}

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

namespace {

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
    // Only this data file's own series: a temporary of ABC_DEF, or of another
    // program entirely, is none of this run's business.
    HiddenTemporaryFile::RemoveAbandoned(
        targetFolder, [&](const std::string& finalName) { return BelongsToSeries(finalName, stemName); });
}

void PruneArchives(const std::string& archivePath, const std::string& targetFolder, std::int32_t keepLastCount)
{
    if (keepLastCount <= 0)
        return;
    // The stem runs up to and including the underscore in front of the timestamp.
    const std::size_t tail = kTimestampForm.size() + kArchiveExtension.size();
    if (archivePath.size() < targetFolder.size() + tail)
        return;
    const std::string stem = archivePath.substr(0, archivePath.size() - tail);
    const std::string stemName = stem.substr(targetFolder.size());

    std::vector<std::string> series;
    for (const auto& name : FileSystem::ListFiles(stem + "*" + std::string(kArchiveExtension))) {
        if (BelongsToSeries(name, stemName))
            series.push_back(targetFolder + name);
    }
    if (series.size() <= static_cast<std::size_t>(keepLastCount))
        return;

    const auto sorted = SortFileList(series, CompareMode::Text);
    const std::size_t surplus = sorted.size() - static_cast<std::size_t>(keepLastCount);
    for (std::size_t i = 0; i < surplus; ++i)
        FileSystem::DeleteFile(sorted[i]);
    FileSystem::InvalidateCache(targetFolder);
}

} // namespace ze6::modDAZadaro
