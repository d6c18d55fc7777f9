#include "engine/DryRun.h"

#include "engine/Archive.h"
#include "engine/ConfigLineReader.h"
#include "engine/Main.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/RemoteTarget.h"
#include "engine/Retention.h"
#include "engine/RunContext.h"
#include "engine/Usage.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/MountedVolumes.h"
#include "platform/process/Clock.h"
#include "platform/process/Console.h"
#include "platform/process/ProcessInfo.h"
#include "platform/remote/RemoteFolder.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>

namespace ze6::modDAZadaro {

namespace {

PlanProblem ProblemOf(const RuntimeError& error, const std::string& fallbackPath)
{
    const std::string& path = error.Path();
    const std::string tail = ": " + path;
    if (!path.empty() && error.Description().ends_with(tail))
        return {path, error.Description().substr(0, error.Description().size() - tail.size())};
    return {fallbackPath, error.Description()};
}

// The data file's files as a run collects them; the ones a run would log as
// left out go to the listing's problems.
ArchiveFileList CollectPlanned(RunContext& run, const std::string& dataFile, DryRunListing& listing)
{
    std::vector<RuntimeError> held;
    ArchiveFileList files = CollectArchiveFiles(run.Services(), dataFile, &held);
    for (const auto& refused : held)
        listing.problems.push_back(ProblemOf(refused, dataFile));
    return files;
}

void PlanDataFile(RunContext& run, const Job& job, const std::string& dataFile, const std::string& targetFolder,
                  DryRunListing& listing)
{
    PlannedDataFile planned;
    planned.dataFile = dataFile;
    try {
        const ArchiveFileList files = CollectPlanned(run, dataFile, listing);
        if (MountedVolumes::WouldWriteToAbsentVolume(targetFolder))
            Raise(ErrorNumber::PathNotFound, kProgramErrorSource, targetFolder);
        // A folder the run would make holds no archives yet.
        const std::string folder =
            WithTrailingSeparator(FileSystem::ResolvePath(FileSystem::WithoutTrailingSeparators(targetFolder))
                                      .value_or(FileSystem::WithoutTrailingSeparators(targetFolder)));
        const std::string archivePath =
            folder + ChangeFileExtension(files.DataFileName, "") + ArchiveTimestamp(run.GetClock().Now()) + ".RZZ";
        const bool folderExists = FileExists(folder);
        const std::vector<Generation> generations =
            folderExists ? CountedGenerations(run, archivePath, folder) : std::vector<Generation>{};
        planned.writesArchive =
            !job.IfChanged || !SameAsNewestGeneration(run, archivePath, folder, files.Paths, files.DataFileName);

        std::vector<std::string> paths;
        for (const auto& generation : generations)
            paths.push_back(generation.path);
        if (planned.writesArchive)
            paths.push_back(archivePath);
        const auto verdicts = ApplyRetention(paths, job.Retention);
        for (std::size_t i = 0; i < generations.size(); ++i)
            planned.archives.push_back({paths[i], verdicts[i].keep, KeptByText(verdicts[i].keptBy)});
    } catch (const RuntimeError& error) {
        listing.problems.push_back(ProblemOf(error, dataFile));
        return;
    }
    listing.dataFiles.push_back(std::move(planned));
}

// As a run would count a remote folder, from its listing as it is now.
void PlanRemoteDataFile(RunContext& run, const Job& job, const std::string& dataFile, const std::string& folder,
                        const std::vector<RemoteEntry>& remoteListing, DryRunListing& listing)
{
    PlannedDataFile planned;
    planned.dataFile = dataFile;
    try {
        const ArchiveFileList files = CollectPlanned(run, dataFile, listing);
        const std::string archiveName = RemoteArchiveNameNow(run, files);
        std::vector<std::string> paths = RemoteSeries(remoteListing, archiveName);
        const std::size_t existing = paths.size();
        const auto newest = existing == 0
                                ? remoteListing.end()
                                : std::find_if(remoteListing.begin(), remoteListing.end(),
                                               [&](const RemoteEntry& entry) { return entry.name == paths.back(); });
        planned.writesArchive =
            !job.IfChanged || newest == remoteListing.end() || !SameAsRemoteArchive(run, folder, *newest, files);
        if (planned.writesArchive)
            paths.push_back(archiveName);
        const auto verdicts = ApplyRetention(paths, job.Retention);
        for (std::size_t i = 0; i < existing; ++i)
            planned.archives.push_back(
                {RemoteArchive{folder, paths[i]}.Shown(), verdicts[i].keep, KeptByText(verdicts[i].keptBy)});
    } catch (const RuntimeError& error) {
        listing.problems.push_back(ProblemOf(error, dataFile));
        return;
    }
    listing.dataFiles.push_back(std::move(planned));
}

// The job's remote folder as it is now; nullopt, with the problem listed,
// when it cannot be read.
std::optional<std::vector<RemoteEntry>> RemoteListingOf(RunContext& run, const Job& job, std::string& folder,
                                                        DryRunListing& listing)
{
    try {
        folder = RemoteFolderOf(job.Target);
        return run.Remote().ListingAsIs(folder);
    } catch (const RuntimeError& error) {
        listing.problems.push_back({job.Target, error.Description()});
        return std::nullopt;
    }
}

} // namespace

void PlanJob(RunContext& run, const Job& job, DryRunListing& listing)
{
    const std::string targetFolder = TargetFolderOf(job);
    const JobSource source = ClassifySource(job.Source);
    std::vector<std::string> names;
    try {
        names = FileSystem::ListFiles(source.FilePattern);
    } catch (const RuntimeError& error) {
        listing.problems.push_back(ProblemOf(error, source.FilePattern));
        return;
    }
    if (IsRemoteTarget(job.Target)) {
        std::string folder;
        if (names.empty())
            return;
        const auto remoteListing = RemoteListingOf(run, job, folder, listing);
        if (!remoteListing)
            return;
        for (const auto& name : names)
            PlanRemoteDataFile(run, job, source.SourceFolder + name, folder, *remoteListing, listing);
        return;
    }
    for (const auto& name : names)
        PlanDataFile(run, job, source.SourceFolder + name, targetFolder, listing);
}

std::string DryRunText(const DryRunListing& listing)
{
    std::string text;
    for (const auto& planned : listing.dataFiles) {
        text.append(planned.writesArchive ? "archive\t" : "unchanged\t").append(planned.dataFile).append("\n");
        for (const auto& archive : planned.archives) {
            if (archive.keep)
                text.append("keep\t").append(archive.path).append("\t").append(archive.rules).append("\n");
            else
                text.append("delete\t").append(archive.path).append("\n");
        }
    }
    return text;
}

namespace {

// A job line as the runners read it: a syntax error shows the usage text.
void PlanJobLine(RunContext& run, const std::string& jobLine, const std::string& where, DryRunListing& listing)
{
    try {
        const auto parsed = ParseJobLine(jobLine);
        if (const auto* error = std::get_if<JobLineSyntaxError>(&parsed)) {
            ++listing.linesRejected;
            ShowUsage(run.GetPrompt(), error->Message);
            return;
        }
        PlanJob(run, std::get<Job>(parsed), listing);
    } catch (const RuntimeError& error) {
        listing.problems.push_back(ProblemOf(error, where));
    }
}

void PlanFile(RunContext& run, const std::string& path, DryRunListing& listing)
{
    if (!FileExists(path)) {
        listing.problems.push_back({path, "does not exist or is inaccessible"});
        return;
    }
    const std::string opened = FileSystem::ResolvePath(path).value_or(path);
    errno = 0;
    std::ifstream file(opened, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        listing.problems.push_back(
            ProblemOf(ErrorFromErrno(errno != 0 ? errno : EIO, kProgramErrorSource, opened), opened));
        return;
    }
    try {
        ConfigLineReader reader(file);
        for (std::string line; reader.Next(line);) {
            const std::string job = TrimBlanks(line);
            if (!job.empty())
                PlanJobLine(run, job, opened, listing);
        }
    } catch (const RuntimeError& error) {
        listing.problems.push_back(ProblemOf(WithPath(error, opened), opened));
    }
}

} // namespace

DryRunListing PlanJobs(const std::vector<Job>& jobs)
{
    RunContext run;
    DryRunListing listing;
    for (const Job& job : jobs) {
        // As a run does: a path with a quote or a line break is planned as the line it is written as.
        if (CheckJob(job) == CellFault::QuoteOrLineBreak)
            PlanJobLine(run, GetCommandLine(job), job.Source, listing);
        else
            PlanJob(run, Trimmed(job), listing);
    }
    return listing;
}

int DryRunCommand(const std::vector<std::string>& operands)
{
    const std::string commandText = RebuildCommandText(operands);
    RunContext run;
    DryRunListing listing;
    if (IsConfigurationFileExtension(UpperCase(GetFileExtension(commandText))))
        PlanFile(run, WithoutOuterQuotes(commandText), listing);
    else
        PlanJobLine(run, commandText, commandText, listing);

    const std::string text = DryRunText(listing);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    for (const auto& problem : listing.problems)
        WriteErrorLine(problem.path + ": " + problem.reason);
    if (listing.linesRejected > 0)
        return 2;
    return listing.problems.empty() ? 0 : 1;
}

} // namespace ze6::modDAZadaro
