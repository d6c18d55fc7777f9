#pragma once

#include "platform/FileSystem.h"

#include <string>

namespace ze6::modDAZadaro {

// The archives this process has written. Pruning never deletes one of them
// (a clock set back, or a data file of another generation in the same series,
// must not cost the run its own work), and a name that one of them holds
// already is this run's own clash, not another writer's.
void RememberWrittenArchive(const std::string& path);
bool WrittenByThisProcess(const std::string& path);
// The same for an entry already looked at.
bool WrittenByThisProcess(const std::string& path, const FileSystem::EntryFacts& facts);

} // namespace ze6::modDAZadaro
