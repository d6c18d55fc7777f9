#pragma once

#include "engine/Job.h"

#include <string>
#include <vector>

namespace ze6::modDAZadaro {

class RunContext;

enum class CompareMode { Binary = 0, Text = 1 };

// Stable ascending sort into a new list (the input is left unchanged); Text
// mode ignores letter case.
std::vector<std::string> SortFileList(const std::vector<std::string>& list, CompareMode mode);

// Deletes the archives of the series that archivePath belongs to that the
// retention rules let go: all but the newest KeepLastCount. Only the
// effective user's own regular files dated up to archivePath count, and no
// archive this run wrote is deleted. targetFolder is the archive's folder as
// the pipeline found it on disk. Raises RuntimeError when a deletion fails.
void PruneArchives(RunContext& run, const std::string& archivePath, const std::string& targetFolder,
                   const RetentionRules& retention);

// Removes the hidden archive temporaries that killed runs left behind in
// targetFolder: those of the series that archivePath belongs to after a
// minute, those of any other series after an hour, never one a live writer
// holds. Best effort, never raises.
void RemoveAbandonedTemporaries(RunContext& run, const std::string& archivePath, const std::string& targetFolder);

} // namespace ze6::modDAZadaro
