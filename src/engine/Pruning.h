#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

class RunContext;

enum class CompareMode { Binary = 0, Text = 1 };

// Stable ascending sort into a new list (the input is left unchanged); Text
// mode ignores letter case.
std::vector<std::string> SortFileList(const std::vector<std::string>& list, CompareMode mode);

// Deletes all but the newest keepLastCount archives of the series that
// archivePath belongs to. Only the effective user's own regular files dated
// up to archivePath count, and no archive this run wrote is deleted.
// Raises RuntimeError when a deletion fails.
void PruneArchives(RunContext& run, const std::string& archivePath, const std::string& targetFolder,
                   std::int32_t keepLastCount);

// Removes the hidden archive temporaries that killed runs left behind in
// targetFolder: those of the series that archivePath belongs to after a
// minute, those of any other series after an hour, never one a live writer
// holds. Best effort, never raises.
void RemoveAbandonedTemporaries(RunContext& run, const std::string& archivePath, const std::string& targetFolder);

} // namespace ze6::modDAZadaro
