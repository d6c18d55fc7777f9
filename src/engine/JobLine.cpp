#include "engine/JobLine.h"

#include "engine/Archive.h"
#include "engine/ArchivePipeline.h"
#include "engine/ErrorHandler.h"
#include "engine/Job.h"
#include "engine/PathOperations.h"
#include "engine/RemoteTarget.h"
#include "engine/RunContext.h"
#include "engine/Usage.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/remote/RemoteFolder.h"

#include <utility>
#include <vector>

namespace ze6::modDAZadaro {

namespace {

// The body of a job that parsed, inside its job's error handler.
void ArchiveJob(RunContext& run, const Job& job)
{
    // An archive for a remote is made and checked in the run's staging
    // folder as for a local one, then goes up; its series is pruned there.
    const bool remote = IsRemoteTarget(job.Target);
    if (remote) {
        RemoteFolderOf(job.Target);
        // Said once per run; every job that needs it is skipped.
        if (!RcloneInstalled()) {
            if (std::exchange(run.Remote().MissingReported, true))
                return;
            throw RuntimeError(ErrorNumber::FileNotFound, "rclone is not installed", kProgramErrorSource);
        }
        run.Remote().Storage();
    }
    const std::string targetFolder =
        remote ? run.Remote().NewStagingFolder(RemoteFolderOf(job.Target)) : TargetFolderOf(job);
    const JobSource source = ClassifySource(job.Source);

    // Every name is collected before the first archive is made: the
    // target folder may be the source folder too.
    const std::vector<std::string> names = FileSystem::ListFiles(source.FilePattern);
    std::uint64_t bytes = 0;
    for (const auto& name : names) {
        if (const auto facts = FileSystem::EntryFactsOf(source.SourceFolder + name))
            bytes += facts->size;
    }
    run.Pipeline().AddEvent([&run, count = names.size(), bytes] { run.Progress().DataFilesListed(count, bytes); });
    if (!remote) {
        ArchiveDataFiles(run, source.SourceFolder, targetFolder, names, job.Retention, job.IfChanged);
        return;
    }
    std::vector<std::string> unchanged;
    const std::vector<std::string> changed =
        job.IfChanged ? ChangedOnRemote(run, job, source.SourceFolder, names, unchanged) : names;
    ArchiveDataFiles(run, source.SourceFolder, targetFolder, changed, RetentionRules{}, false);
    run.Pipeline().AddEvent([&run, job, targetFolder, unchanged] {
        UploadStagedArchives(run, job, targetFolder, unchanged);
    });
}

// A job line that cannot be read (a keep-last count beyond 32 bits) is logged
// with the line, so that a user with many jobs can tell which one it is.
std::variant<Job, JobLineSyntaxError> ParseLine(const std::string& jobLine)
{
    try {
        return ParseJobLine(jobLine);
    } catch (const RuntimeError& error) {
        throw RuntimeError(error.Number(), error.Description() + ": " + jobLine, error.Source());
    }
}

// Runs `body` as one job: its run-time errors are logged after what the data
// files before it logged.
template <typename Body> void AsOneJob(RunContext& run, const std::string& line, Body&& body)
{
    run.Listings.JobStarted();
    run.BeginJob();
    RunWithErrorHandler(run.Outcome, "ProcessCommandLine", [&] {
        try {
            body();
        } catch (...) {
            run.CommitArchives();
            throw;
        }
    });
    run.EndJob(line);
}

void RunJobLine(RunContext& run, const std::string& jobLine, const std::string& recordedAs)
{
    AsOneJob(run, recordedAs, [&] {
        const auto parsed = ParseLine(jobLine);
        if (const auto* error = std::get_if<JobLineSyntaxError>(&parsed)) {
            run.CommitArchives();
            ++run.Outcome.LinesRejected;
            run.Outcome.JobFirstEntry = error->Message;
            ShowUsage(run.GetPrompt(), error->Message);
            return;
        }
        ArchiveJob(run, std::get<Job>(parsed));
    });
}

} // namespace

void RunJobLine(RunContext& run, std::string jobLine)
{
    RunJobLine(run, jobLine, jobLine);
}

void RunJob(RunContext& run, const Job& job, const std::string& recordedAs)
{
    // A path with a quote or a line break has no job line of its own: such a
    // job runs as the line it is written as would, usage box and all.
    if (CheckJob(job) == CellFault::QuoteOrLineBreak) {
        RunJobLine(run, GetCommandLine(job), recordedAs);
        return;
    }
    AsOneJob(run, recordedAs, [&] { ArchiveJob(run, job); });
}

void RunJob(RunContext& run, const Job& job)
{
    RunJob(run, job, GetCommandLine(job));
}

void ProcessCommandLine(RunContext& run, std::string jobLine)
{
    RunJobLine(run, std::move(jobLine));
    run.CommitArchives();
}

RunOutcome ProcessCommandLine(std::string jobLine, ProgressSink* progress)
{
    RunContext run(progress);
    run.Start();
    ProcessCommandLine(run, std::move(jobLine));
    return run.Finish("ProcessCommandLine");
}

RunOutcome ProcessJobs(RunContext& run, const std::vector<Job>& jobs)
{
    run.Start();
    for (const Job& job : jobs) {
        if (run.CancelRequested())
            break;
        // Known by the line the window saves for it, as a run of the saved file knows it.
        RunJob(run, Trimmed(job), FormatJobLine(job));
    }
    return run.Finish("ProcessCommandLine");
}

} // namespace ze6::modDAZadaro
