#include "engine/JobLine.h"

#include "engine/Archive.h"
#include "engine/ErrorHandler.h"
#include "engine/JobLineModel.h"
#include "engine/PathOperations.h"
#include "engine/TargetFolderListings.h"
#include "engine/Usage.h"
#include "platform/FileSystem.h"

#include <vector>

namespace ze6::modDAZadaro {

std::int32_t& KeepLastCount()
{
    static std::int32_t count = 0;
    return count;
}

void ProcessCommandLine(std::string jobLine)
{
    RunWithErrorHandler("ProcessCommandLine", [&] {
        const TargetFolderListings listings;
        const auto parsed = ParseJobLine(jobLine);
        if (const auto* error = std::get_if<JobLineSyntaxError>(&parsed)) {
            ShowUsage(error->Message);
            return;
        }
        const auto& parts = std::get<JobLineParts>(parsed);

        // Reset first: a number that overflows leaves no value of an earlier job behind.
        KeepLastCount() = 0;
        KeepLastCount() = KeepLastFromOptions(parts.Options);
        const std::string targetFolder = WithTrailingSeparator(parts.Target);
        const JobSource source = ClassifySource(parts.Source);

        // Every name is collected before the first archive is made: the
        // target folder may be the source folder too.
        const std::vector<std::string> names = FileSystem::ListFiles(source.FilePattern);
        for (const auto& name : names)
            ArchiveApplication(source.SourceFolder, targetFolder, name);
    });
}

} // namespace ze6::modDAZadaro
