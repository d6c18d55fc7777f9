#pragma once

#include <string>
#include <vector>

namespace ze6 {

enum class ArchiveComparison {
    Same,          // one entry for each file, and no other
    Different,     // a file added, gone, or of another size or content
    OtherDataFile, // no entry of the data file's name: the archive is another data file's
    NotCounted,    // not the effective user's own regular file (a link, a folder, another's, gone)
};

// How an archive compares with these files as they are now: one entry for
// each, under the name the archive writer gives it, of the same size and
// CRC-32 (a folder matches a folder entry), and no other entry. Decided by
// content alone: modification times are not looked at. The files are read
// whole, several at once; an archive or a file that cannot be read counts as
// a difference, so that a new archive is written (and fails there, said).
// dataFileName is the entry name the data file is stored under.
ArchiveComparison CompareArchive(const std::string& archivePath, const std::vector<std::string>& files,
                                 const std::string& dataFileName);

} // namespace ze6
