#include "engine/Restore.h"

#include "engine/Archive.h"
#include "engine/ArchiveSeries.h"
#include "engine/ErrorHandler.h"
#include "engine/Job.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/RunProgress.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/archive/StagedFiles.h"
#include "platform/files/FileStatus.h"
#include "platform/files/FileSystem.h"
#include "platform/process/Clock.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace ze6::modDAZadaro {

namespace {

constexpr const char* kProcName = "RestoreArchive";
// "_yyyy-mm-dd-hh-mm-ss.RZZ": what follows the data file's name in an archive's name.
constexpr std::size_t kNameTail = 24;
constexpr std::size_t kTimestampLength = 19;
// A restore and its undo within one second want the same name; a clock that
// stands still must not keep a restore waiting for ever.
constexpr int kNameAttempts = 3;

[[noreturn]] void Fail(std::int32_t number, const std::string& description)
{
    throw RuntimeError(number, description, kProgramErrorSource);
}

// The data file's name in an archive name made by the usual rule, or nullopt.
std::optional<std::string> StemOf(const std::string& archiveName)
{
    if (!SeriesKey(archiveName) || archiveName.size() <= kNameTail ||
        archiveName[archiveName.size() - kNameTail] != '_')
        return std::nullopt;
    return archiveName.substr(0, archiveName.size() - kNameTail);
}

std::string NameOf(const std::string& path)
{
    return path.substr(GetFolderPart(path).size());
}

bool IsDataFileName(const std::string& name)
{
    return FileSystem::MatchesWildcard(name, "*.RZT?");
}

// Only a plain name may be restored: an entry such as "../x" or "a/b" would
// write outside the folder the user chose.
void CheckEntryNames(const std::vector<ArchiveEntry>& entries, const std::string& archive)
{
    std::unordered_set<std::string> seen;
    for (const auto& entry : entries) {
        const std::string name = entry.folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
        if (name.empty() || name == "." || name == ".." || name.find(FileSystem::kSeparator) != std::string::npos ||
            name.find('\0') != std::string::npos)
            Fail(ErrorNumber::BadFileName, "Entry " + entry.name + " is not a plain file name: " + archive);
        if (!seen.insert(FileSystem::FoldCase(name)).second)
            Fail(ErrorNumber::BadFileName, "Two entries are named " + name + ": " + archive);
    }
}

// The entry that is the data file: named as the archive's series with a data
// file's extension, else the first entry with such an extension.
std::optional<std::string> DataFileEntry(const std::vector<ArchiveEntry>& entries, const std::string& archiveName)
{
    const auto stem = StemOf(archiveName);
    std::optional<std::string> first;
    for (const auto& entry : entries) {
        if (entry.folder || !IsDataFileName(entry.name))
            continue;
        if (stem && FileSystem::EqualIgnoringCase(ChangeFileExtension(entry.name, ""), *stem))
            return entry.name;
        if (!first)
            first = entry.name;
    }
    return first;
}

// Archives what the restore is about to replace as a new generation in
// `archiveFolder`: what a backup of the destination's data file would hold
// now, plus every other file to be replaced. Returns its path.
std::string WriteSafetyGeneration(const std::string& archiveFolder, std::string stem,
                                  const std::optional<std::string>& dataFile, const std::vector<std::string>& replaced)
{
    Components& services = GetComponents();
    ArchiveFileList collected;
    if (dataFile) {
        collected = CollectArchiveFiles(services, *dataFile);
        stem = ChangeFileExtension(collected.DataFileName, "");
    }
    for (const auto& path : replaced)
        AddArchiveFile(collected, path);
    const std::vector<std::string> files = std::move(collected.Paths);

    for (int attempt = 1;; ++attempt) {
        const std::string path = archiveFolder + stem + ArchiveTimestamp(services.GetClock().Now()) + ".RZZ";
        try {
            if (FileSystem::PathExists(path))
                Raise(ErrorNumber::FileAlreadyExists, kProgramErrorSource);
            auto writer = services.CreateArchiveWriter();
            writer->SetArchiveName(path);
            for (const auto& file : files)
                writer->AddFile(file);
            writer->Finish();
            FileSystem::InvalidateCache(archiveFolder);
            return path;
        } catch (const RuntimeError& error) {
            if (error.Number() != ErrorNumber::FileAlreadyExists || attempt == kNameAttempts)
                throw RuntimeError(error.Number(),
                                   "The files to be replaced cannot be saved first (" + error.Description() +
                                       "): " + path,
                                   error.Source());
        }
        services.GetClock().WaitForNextSecond();
    }
}

void Restore(const std::string& archivePath, const std::string& folder, RestoreOutcome& outcome)
{
    const auto archive = FileSystem::ResolvePath(archivePath);
    if (!archive || StatusOf(*archive)->folder)
        Fail(ErrorNumber::FileNotFound, DescribeErrorNumber(ErrorNumber::FileNotFound) + ": " + archivePath);
    ArchiveReader reader(*archive);
    const std::vector<ArchiveEntry>& entries = reader.Entries();
    CheckEntryNames(entries, *archive);

    StagedFiles staged(folder, kProgramErrorSource);
    const std::string& destination = staged.Folder();
    std::vector<std::string> replaced;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].folder)
            continue;
        const auto existing = FileSystem::ResolvePath(destination + entries[i].name);
        if (existing && StatusOf(*existing).value_or(FileStatus{}).folder)
            Fail(ErrorNumber::PathFileAccessError, "A folder stands where a file is to be restored: " + *existing);
        const std::string finalPath = existing.value_or(destination + entries[i].name);
        if (existing)
            replaced.push_back(*existing);
        reader.ExtractTo(i, staged.Add(finalPath, existing.has_value()), finalPath);
    }

    if (!replaced.empty()) {
        const std::string archiveName = NameOf(*archive);
        const auto dataEntry = DataFileEntry(entries, archiveName);
        const auto dataFile =
            dataEntry ? FileSystem::ResolvePath(destination + *dataEntry) : std::optional<std::string>();
        const std::string stem = StemOf(archiveName).value_or(ChangeFileExtension(archiveName, ""));
        outcome.safetyArchive = WriteSafetyGeneration(GetFolderPart(*archive), stem, dataFile, replaced);
    }

    try {
        staged.Commit();
    } catch (...) {
        outcome.files = staged.Committed();
        throw;
    }
    outcome.files = staged.Committed();
    for (const auto& entry : entries) {
        if (entry.folder && !FileSystem::MakeSingleFolder(destination + entry.name))
            Fail(ErrorNumber::PathNotFound,
                 DescribeErrorNumber(ErrorNumber::PathNotFound) + ": " + destination + entry.name);
    }
}

} // namespace

RestoreOutcome RestoreArchive(const std::string& archivePath, const std::string& folder)
{
    RestoreOutcome outcome;
    outcome.failure = "The archive could not be restored.";
    RunOutcome logged;
    RunWithErrorHandler(logged, kProcName, [&] {
        try {
            Restore(archivePath, folder, outcome);
            outcome.failure.clear();
        } catch (const RuntimeError& error) {
            outcome.failure = error.Description();
            throw;
        }
    });
    return outcome;
}

int RestoreCommand(const std::vector<std::string>& operands)
{
    return RestoreArchive(operands.at(0), operands.at(1)).Succeeded() ? 0 : 1;
}

std::vector<RestorePoint> ListRestorePoints(const std::string& source, const std::string& target)
{
    const JobSource job = ClassifySource(source);
    const std::string stemPattern = ChangeFileExtension(job.FilePattern.substr(job.SourceFolder.size()), "");
    const std::string folder = WithTrailingSeparator(FileSystem::ResolvePath(target).value_or(target));

    std::vector<RestorePoint> points;
    for (const auto& name : FileSystem::ListFiles(folder + "*.RZZ")) {
        const auto stem = StemOf(name);
        if (!stem || !FileSystem::MatchesWildcard(*stem, stemPattern))
            continue;
        std::string stamp = name.substr(name.size() - kNameTail + 1, kTimestampLength);
        std::string time = stamp.substr(11);
        std::replace(time.begin(), time.end(), '-', ':');
        const auto status = StatusOf(folder + name);
        points.push_back({folder + name, *stem, stamp.substr(0, 10), time, status ? status->size : 0});
    }
    std::vector<std::string> keys;
    for (const auto& point : points)
        keys.push_back(FileSystem::FoldCase(point.dataFile));
    std::vector<std::size_t> order(points.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (keys[a] != keys[b])
            return keys[a] < keys[b];
        const auto when = [&](std::size_t i) { return points[i].date + points[i].time; };
        return when(a) != when(b) ? when(a) > when(b) : points[a].path < points[b].path;
    });
    std::vector<RestorePoint> sorted;
    sorted.reserve(points.size());
    for (const std::size_t index : order)
        sorted.push_back(std::move(points[index]));
    return sorted;
}

} // namespace ze6::modDAZadaro
