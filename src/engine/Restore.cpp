#include "engine/Restore.h"

#include "engine/Archive.h"
#include "engine/ArchiveSeries.h"
#include "engine/ErrorHandler.h"
#include "engine/Job.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/RemoteTarget.h"
#include "engine/RestorePlan.h"
#include "engine/RunProgress.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/archive/HiddenTemporaryFile.h"
#include "platform/archive/StagedFiles.h"
#include "platform/files/FileStatus.h"
#include "platform/files/FileSystem.h"
#include "platform/files/FolderIndex.h"
#include "platform/files/ScratchFolder.h"
#include "platform/process/Clock.h"
#include "platform/remote/RemoteFolder.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <tuple>
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

// Archives what the restore is about to replace or remove as a new
// generation in `archiveFolder`: what a backup of the destination's data file
// would hold now, plus every other file in `saved`, plus the names of the
// files the restore is about to create. Raises when any of it cannot be
// saved: an undo that lacks a file would not undo. Returns its path.
std::string WriteSafetyGeneration(Components& services, const std::string& archiveFolder, std::string stem,
                                  const std::optional<std::string>& dataFile, const std::vector<std::string>& saved,
                                  const std::vector<std::string>& created)
{
    std::vector<RuntimeError> refused;
    ArchiveFileList collected;
    if (dataFile) {
        collected = CollectArchiveFiles(services, *dataFile, &refused);
        stem = ChangeFileExtension(collected.DataFileName, "");
    }
    if (!refused.empty()) {
        const RuntimeError& first = refused.front();
        throw RuntimeError(first.Number(),
                           "A file cannot be saved before the restore (" + DescribeErrorNumber(first.Number()) + ")",
                           first.Source(), first.Path());
    }
    for (const auto& path : saved)
        AddArchiveFile(collected, path);
    std::vector<std::string> files = std::move(collected.Paths);
    std::unordered_set<std::string> kept;
    for (const auto& file : files)
        kept.insert(FileSystem::FoldCase(file));
    for (const auto& path : saved) {
        if (!kept.count(FileSystem::FoldCase(path)))
            throw RuntimeError(ErrorNumber::PermissionDenied,
                               "A file cannot be saved before the restore (" +
                                   DescribeErrorNumber(ErrorNumber::PermissionDenied) + ")",
                               kProgramErrorSource, path);
    }
    std::optional<ScratchFolder> scratch;
    if (!created.empty()) {
        scratch.emplace(kProgramErrorSource);
        files.push_back(scratch->Write(kCreatedFilesEntry, CreatedFilesText(created)));
    }

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

// Root never reads or writes through a link another user may have planted.
void RefuseUntrustedLinks(const std::string& path)
{
    if (const auto link = FileSystem::UntrustedLinkOnPath(path))
        Fail(ErrorNumber::PermissionDenied, DescribeErrorNumber(ErrorNumber::PermissionDenied) + ": " + *link);
}

// A killed restore leaves its hidden temporaries in the folder; those of the
// names this one writes are surely abandoned after a minute, any other after
// an hour, as in a backup's target folder.
void RemoveAbandonedTemporaries(const std::string& folder, const std::vector<ArchiveEntry>& entries)
{
    std::unordered_set<std::string> names;
    for (const auto& entry : entries)
        names.insert(FileSystem::FoldCase(entry.name));
    HiddenTemporaryFile::RemoveAbandoned(folder, [&](const std::string& finalName) {
        return std::optional<std::chrono::seconds>(names.count(FileSystem::FoldCase(finalName)) ? 60 : 3600);
    });
}

// Where a safety generation goes once it is written beside the archive;
// returns the name it is then known by.
using SafetyKeeper = std::function<std::string(const std::string& written)>;

void Restore(Components& services, const std::string& archivePath, const std::string& folder, RestoreOutcome& outcome,
             const SafetyKeeper& keepSafety)
{
    RefuseUntrustedLinks(archivePath);
    const auto archive = FileSystem::ResolvePath(archivePath);
    if (!archive || StatusOf(*archive)->folder)
        Fail(ErrorNumber::FileNotFound, DescribeErrorNumber(ErrorNumber::FileNotFound) + ": " + archivePath);
    RefuseUntrustedLinks(*archive);
    ArchiveReader reader(*archive);
    const std::vector<ArchiveEntry>& entries = reader.Entries();
    CheckEntryNames(entries, *archive);
    const std::vector<std::string> removals = CreatedFilesOf(reader);

    RefuseUntrustedLinks(folder);
    StagedFiles staged(folder, kProgramErrorSource);
    const std::string& destination = staged.Folder();
    RefuseUntrustedLinks(destination);
    RemoveAbandonedTemporaries(destination, entries);

    using Kind = RestoreStep::Kind;
    std::vector<std::string> saved;
    std::vector<std::string> created;
    for (const RestoreStep& step : PlanRestore(entries, removals, destination)) {
        switch (step.kind) {
        case Kind::NewFolder:
            staged.AddFolder(step.path);
            break;
        case Kind::RemoveFile:
            staged.Remove(step.path);
            saved.push_back(step.path);
            break;
        case Kind::NewFile:
        case Kind::ReplaceFile: {
            const bool replaces = step.kind == Kind::ReplaceFile;
            (replaces ? saved : created).push_back(replaces ? step.path : NameOf(step.path));
            reader.ExtractTo(step.entry, staged.Add(step.path, replaces, entries[step.entry].mode), step.path);
            break;
        }
        }
    }

    if (!saved.empty()) {
        const std::string archiveName = NameOf(*archive);
        const auto dataEntry = DataFileEntry(entries, archiveName);
        const auto dataFile =
            dataEntry ? FileSystem::ResolvePath(destination + *dataEntry) : std::optional<std::string>();
        const std::string stem = StemOf(archiveName).value_or(ChangeFileExtension(archiveName, ""));
        outcome.safetyArchive =
            keepSafety(WriteSafetyGeneration(services, GetFolderPart(*archive), stem, dataFile, saved, created));
    }

    staged.Commit();
    outcome.files = staged.Committed();
}

// The archive is downloaded into the staging folder and restored from there;
// the safety generation goes up into the archive's remote folder, checked,
// before anything at the destination changes.
void RestoreRemote(Components& services, const std::string& archivePath, const std::string& folder,
                   RestoreOutcome& outcome)
{
    RemoteTargets remote(services);
    // An archive, not a folder that happens to hold one.
    const std::vector<RemoteArchive> found = RemoteArchivesOf(remote, archivePath);
    const bool named = found.size() == 1 && (archivePath.ends_with("/" + found.front().name) ||
                                             archivePath.ends_with(":" + found.front().name));
    if (!named)
        Fail(ErrorNumber::FileNotFound, DescribeErrorNumber(ErrorNumber::FileNotFound) + ": " + archivePath);
    const RemoteArchive& archive = found.front();
    Restore(services, FetchRemoteArchive(remote, archive), folder, outcome, [&](const std::string& written) {
        const RemoteArchive safety{archive.folder, NameOf(written)};
        UploadArchive(remote, safety.folder, written, safety.name);
        return safety.Shown();
    });
}

} // namespace

RestoreOutcome RestoreArchive(Components& services, const std::string& archivePath, const std::string& folder)
{
    const FolderIndex::Scope lookups;
    RestoreOutcome outcome;
    outcome.failure = "The archive could not be restored.";
    RunOutcome logged;
    RunWithErrorHandler(logged, kProcName, [&] {
        try {
            if (IsRemoteTarget(archivePath))
                RestoreRemote(services, archivePath, folder, outcome);
            else
                Restore(services, archivePath, folder, outcome, [](const std::string& written) { return written; });
            outcome.failure.clear();
        } catch (const RuntimeError& error) {
            outcome.failure = error.Description();
            throw;
        }
    });
    // Whatever was logged on the way is a failure too.
    if (outcome.failure.empty() && logged.EntriesLogged > 0)
        outcome.failure = "The archive could not be restored.";
    return outcome;
}

int RestoreCommand(const std::vector<std::string>& operands)
{
    return RestoreArchive(GetComponents(), operands.at(0), operands.at(1)).Succeeded() ? 0 : 1;
}

std::vector<RestorePoint> ListRestorePoints(const std::string& source, const std::string& target)
{
    const FolderIndex::Scope lookups;
    const JobSource job = ClassifySource(source);
    const std::string stemPattern = ChangeFileExtension(job.FilePattern.substr(job.SourceFolder.size()), "");

    // Each archive's name, the path it is restored from, and its size.
    std::vector<std::tuple<std::string, std::string, std::uint64_t>> archives;
    if (IsRemoteTarget(target)) {
        RemoteTargets remote(GetComponents());
        const std::string folder = RemoteFolderOf(target);
        // Names that are no archive's fail StemOf below.
        for (const RemoteEntry& entry : remote.ListingAsIs(folder))
            archives.emplace_back(entry.name, RemoteArchive{folder, entry.name}.Shown(), entry.size);
    } else {
        const std::string folder = WithTrailingSeparator(FileSystem::ResolvePath(target).value_or(target));
        for (const auto& name : FileSystem::ListFiles(folder + "*.RZZ")) {
            const auto status = StatusOf(folder + name);
            archives.emplace_back(name, folder + name, status ? status->size : 0);
        }
    }

    std::vector<RestorePoint> points;
    for (auto& [name, path, size] : archives) {
        const auto stem = StemOf(name);
        if (!stem || !FileSystem::MatchesWildcard(*stem, stemPattern))
            continue;
        std::string stamp = name.substr(name.size() - kNameTail + 1, kTimestampLength);
        std::string time = stamp.substr(11);
        std::replace(time.begin(), time.end(), '-', ':');
        points.push_back({std::move(path), *stem, stamp.substr(0, 10), time, size});
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
