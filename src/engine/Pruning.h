#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

enum class CompareMode { Binary = 0, Text = 1 };

// Stable ascending sort into a new list (the input is left unchanged); Text
// mode ignores letter case.
std::vector<std::string> SortFileList(const std::vector<std::string>& list, CompareMode mode);

// Deletes all but the newest keepLastCount archives of the series that
// archivePath belongs to. Raises RuntimeError when a deletion fails.
void PruneArchives(const std::string& archivePath, const std::string& targetFolder, std::int32_t keepLastCount);

// Removes the hidden temporaries that killed runs left behind for archives of
// the series that archivePath belongs to; best effort, never raises.
void RemoveAbandonedTemporaries(const std::string& archivePath, const std::string& targetFolder);

} // namespace ze6::modDAZadaro
