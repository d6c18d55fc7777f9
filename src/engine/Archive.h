#pragma once

#include "engine/Job.h"
#include "platform/RuntimeError.h"

#include <QDateTime>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace ze6 {
class Components;
}

namespace ze6::modDAZadaro {

class RunContext;

// Backs up one data file: one new timestamped archive with every companion
// that exists, in targetFolder (as TargetFolderOf gives it), then pruning by
// the job's retention rules. Errors go to the log; a cancelled run leaves no
// archive and prunes nothing.
void ArchiveApplication(RunContext& run, const std::string& sourceFolder, const std::string& targetFolder,
                        const std::string& fileName, const RetentionRules& retention);

// The same for the data files of one job, in their order, with the log, the
// progress sink and pruning hearing of each as if it were archived alone.
// Small data files are archived several at once: on their way to disk they
// share the cores and one sync of their folder. The last of them may still be
// under way on return, and overlap the next job's: RunContext::CommitArchives
// waits for them.
// With ifChanged a data file that matches its newest archive gets none.
void ArchiveDataFiles(RunContext& run, const std::string& sourceFolder, const std::string& targetFolder,
                      const std::vector<std::string>& fileNames, const RetentionRules& retention,
                      bool ifChanged = false);

// The files of one archive, each once whatever its letter case.
struct ArchiveFileList {
    std::string DataFileName; // the data file's bare name as found on disk, when there is one
    std::vector<std::string> Paths;
    // Folded Paths, so a data file with thousands of numbered companions is
    // not compared entry by entry for every offer.
    std::unordered_set<std::string> Keys;
    std::uint64_t Bytes = 0; // of Paths, as each measured when it was added
};

// Appends a path as found on disk when it is a file or folder that exists and
// is not in the list yet (any case). A link that may not be followed is left
// out and said: kept in `held` when given, logged otherwise.
void AddArchiveFile(ArchiveFileList& files, const std::string& path, std::vector<RuntimeError>* held = nullptr);

// What an archive of the data file holds now: the data file and every
// companion that exists, opened and named through the data-file reader.
// Raises RuntimeError.
ArchiveFileList CollectArchiveFiles(Components& services, const std::string& dataFilePath,
                                    std::vector<RuntimeError>* held = nullptr);

// "_yyyy-mm-dd-hh-mm-ss": the part of an archive name that tells its time.
std::string ArchiveTimestamp(const QDateTime& now);

} // namespace ze6::modDAZadaro
