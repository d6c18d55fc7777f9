#pragma once

#include <string>
#include <vector>

namespace ze6 {

// The names under which files are stored in an archive, given their bare file
// names in the order they are added. A name equal to an earlier one when
// letter case is ignored gets " (2)", " (3)", ... before its extension (the
// first free number), so files of the same name from different folders are
// all kept. A backslash becomes "_": archive tools on Windows would take it for
// a folder separator.
std::vector<std::string> ArchiveEntryNames(const std::vector<std::string>& fileNames);

} // namespace ze6
