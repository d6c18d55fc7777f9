#include "engine/ConfigFile.h"

#include "engine/ConfigLineReader.h"
#include "engine/ErrorHandler.h"
#include "engine/JobLine.h"
#include "engine/PathOperations.h"
#include "engine/RunContext.h"
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

        // One line at a time: each job runs to its end before the next line is read.
        ConfigLineReader reader(file);
        std::string line;
        const auto next = [&] {
            try {
                return reader.Next(line);
            } catch (const RuntimeError& error) {
                throw WithPath(error, opened);
            }
        };
        while (!run.CancelRequested() && next()) {
            std::string job = TrimBlanks(line);
            if (!job.empty())
                ProcessCommandLine(run, std::move(job));
        }
    });
}

RunOutcome ProcessFile(std::string path, ProgressSink* progress)
{
    RunContext run(progress);
    run.Start();
    ProcessFile(run, std::move(path));
    return run.Finish("ProcessFile");
}

} // namespace ze6::modDAZadaro
