#pragma once

#include <string>
#include <vector>

namespace ze6 {

// Whether the archive holds exactly these files as they are now: one entry
// for each, under the name the archive writer gives it, of the same size and
// CRC-32 (a folder matches a folder entry), and no other entry. Decided by
// content alone: modification times are not looked at. The files are read
// whole, several at once; an archive or a file that cannot be read counts as
// a difference, so that a new archive is written (and fails there, said).
bool ArchiveHoldsFiles(const std::string& archivePath, const std::vector<std::string>& files);

} // namespace ze6
