#pragma once

#include "engine/Job.h"
#include "platform/files/FileSystem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

class RunContext;

enum class CompareMode { Binary = 0, Text = 1 };

// Stable ascending sort into a new list (the input is left unchanged); Text
// mode ignores letter case.
std::vector<std::string> SortFileList(const std::vector<std::string>& list, CompareMode mode);

// One archive of a series that retention counts.
struct Generation {
    std::string path;
    FileSystem::EntryFacts facts;
};

// The generations of the series that archivePath belongs to, oldest first:
// in a shared folder others can plant names in a series, and a clock set
// back or another time zone dates a new archive before the ones already
// there, so only the effective user's own regular files dated up to
// archivePath count. archivePath is among them once it is written.
std::vector<Generation> CountedGenerations(RunContext& run, const std::string& archivePath,
                                           const std::string& targetFolder);

// Whether the newest generation of the data file (one holding an entry named
// dataFileName) holds exactly `files` as they are now, compared by size and
// CRC-32; false when the series has none. archivePath is the name the run
// would give a new archive.
bool SameAsNewestGeneration(RunContext& run, const std::string& archivePath, const std::string& targetFolder,
                            const std::vector<std::string>& files, const std::string& dataFileName);

// Deletes the generations of archivePath's series that no rule keeps, the
// archive just written counted (when it was written); no archive this run
// wrote is deleted. Without any rule nothing is looked at. Raises
// RuntimeError when a deletion fails.
void PruneArchives(RunContext& run, const std::string& archivePath, const std::string& targetFolder,
                   const RetentionRules& rules);

// Removes the hidden archive temporaries that killed runs left behind in
// targetFolder: those of the series that archivePath belongs to after a
// minute, those of any other series after an hour, never one a live writer
// holds. Best effort, never raises.
void RemoveAbandonedTemporaries(RunContext& run, const std::string& archivePath, const std::string& targetFolder);

} // namespace ze6::modDAZadaro
