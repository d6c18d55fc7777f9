#pragma once

#include "platform/RuntimeError.h"

#include <QDateTime>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

class RunContext;
struct RetentionRules;

// Backs up one data file: one new timestamped archive with every companion
// that exists, then pruning when the run's KeepLastCount is above 0. Errors go
// to the log; a cancelled run leaves no archive and prunes nothing.
void ArchiveApplication(RunContext& run, std::string sourceFolder, std::string targetFolder, std::string fileName);

// The same for the data files of one job, in their order, with the log, the
// progress sink and pruning hearing of each as if it were archived alone.
// Small data files are archived several at once: on their way to disk they
// share the cores and one sync of their folder. The last of them may still be
// under way on return, and overlap the next job's: RunContext::CommitArchives
// waits for them.
// Their series are kept by `rules`; with ifChanged a data file that matches
// its newest archive gets none.
void ArchiveDataFiles(RunContext& run, const std::string& sourceFolder, const std::string& targetFolder,
                      const std::vector<std::string>& fileNames, const RetentionRules& rules, bool ifChanged);

// Appends a path to the run's ArchiveFileList when it exists and is not there yet (any case).
void AddArchiveFile(RunContext& run, const std::string& path);

// Fills the run's ArchiveFileList with what an archive of the data file holds
// now: the data file and every companion that exists, opened and named through
// the data-file reader. Returns the data file's bare name as found on disk.
// A companion left out is logged, or kept in `held` for a caller that logs it
// later. Raises RuntimeError.
std::string CollectArchiveFiles(RunContext& run, const std::string& dataFilePath,
                                std::vector<RuntimeError>* held = nullptr);

// "_yyyy-mm-dd-hh-mm-ss": the part of an archive name that tells its time.
std::string ArchiveTimestamp(const QDateTime& now);

} // namespace ze6::modDAZadaro
