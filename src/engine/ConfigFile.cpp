#include "engine/ConfigFile.h"

#include "engine/ConfigLineReader.h"
#include "engine/ErrorHandler.h"
#include "engine/JobLine.h"
#include "engine/PathOperations.h"
#include "engine/RunContext.h"
#include "engine/Schedule.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <cerrno>
#include <fstream>

namespace ze6::modDAZadaro {

namespace {

[[noreturn]] void RaiseReadError(int errnoValue, const std::string& path)
{
    throw ErrorFromErrno(errnoValue != 0 ? errnoValue : EIO, kProgramErrorSource, path);
}

} // namespace

void ProcessFile(RunContext& run, std::string path)
{
    RunWithErrorHandler(run.Outcome, "ProcessFile", [&] {
        // The existence test ignores letter case, so the file is opened under
        // the spelling found on disk.
        const std::string opened = FileSystem::ResolvePath(path).value_or(path);
        errno = 0;
        std::ifstream file(opened, std::ios::in | std::ios::binary);
        if (!file.is_open())
            RaiseReadError(errno, opened);

        // One line at a time: a job has listed its data files and set them
        // on their way before the next line is read.
        ConfigLineReader reader(file);
        std::string line;
        const auto next = [&] {
            try {
                return reader.Next(line);
            } catch (const RuntimeError& error) {
                throw WithPath(error, opened);
            }
        };
        try {
            while (!run.CancelRequested() && next()) {
                std::string job = TrimBlanks(line);
                if (!job.empty())
                    RunJobLine(run, std::move(job));
            }
        } catch (...) {
            // A file that cannot be read on is logged after what its jobs logged.
            run.CommitArchives();
            throw;
        }
        run.CommitArchives();
    });
}

RunOutcome ProcessFile(std::string path, ProgressSink* progress)
{
    RunContext run(progress);
    run.ExpectJobsOf(AbsoluteConfigPath(path));
    run.Start();
    ProcessFile(run, std::move(path));
    return run.Finish("ProcessFile");
}

} // namespace ze6::modDAZadaro
