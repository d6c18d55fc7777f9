#include "engine/JobLine.h"

#include "engine/Archive.h"
#include "engine/ArchivePipeline.h"
#include "engine/ErrorHandler.h"
#include "engine/JobLineModel.h"
#include "engine/PathOperations.h"
#include "engine/RunContext.h"
#include "engine/Usage.h"
#include "platform/files/FileSystem.h"

#include <vector>

namespace ze6::modDAZadaro {

void RunJobLine(RunContext& run, std::string jobLine)
{
    run.Listings.JobStarted();
    RunWithErrorHandler(run.Outcome, "ProcessCommandLine", [&] {
        try {
            const auto parsed = ParseJobLine(jobLine);
            if (const auto* error = std::get_if<JobLineSyntaxError>(&parsed)) {
                run.CommitArchives();
                ++run.Outcome.LinesRejected;
                ShowUsage(run.GetPrompt(), error->Message);
                return;
            }
            const auto& parts = std::get<JobLineParts>(parsed);

            // Reset first: a number that overflows leaves no value of an earlier job behind.
            run.KeepLastCount = 0;
            run.KeepLastCount = KeepLastFromOptions(parts.Options);
            const std::string targetFolder = WithTrailingSeparator(parts.Target);
            const JobSource source = ClassifySource(parts.Source);

            // Every name is collected before the first archive is made: the
            // target folder may be the source folder too.
            const std::vector<std::string> names = FileSystem::ListFiles(source.FilePattern);
            std::uint64_t bytes = 0;
            for (const auto& name : names) {
                if (const auto facts = FileSystem::EntryFactsOf(source.SourceFolder + name))
                    bytes += facts->size;
            }
            run.Pipeline().AddEvent(
                [&run, count = names.size(), bytes] { run.Progress().DataFilesListed(count, bytes); });
            ArchiveDataFiles(run, source.SourceFolder, targetFolder, names);
        } catch (...) {
            // The job's entry comes after those of the data files before it.
            run.CommitArchives();
            throw;
        }
    });
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

RunOutcome ProcessCommandLines(RunContext& run, const std::vector<std::string>& jobLines)
{
    run.Start();
    for (const auto& line : jobLines) {
        if (run.CancelRequested())
            break;
        RunJobLine(run, line);
    }
    return run.Finish("ProcessCommandLine");
}

} // namespace ze6::modDAZadaro
