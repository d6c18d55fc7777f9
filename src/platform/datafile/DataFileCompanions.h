#pragma once

#include "platform/Components.h"

#include <string>
#include <vector>

// How the files that belong to a data file are named, for the archive that
// backs it up and for the reader that lists its numbered companions. Only
// names: whether a file exists and may be archived is the caller's question.
namespace ze6::DataFileCompanions {

// The data file and the companions its name alone implies, in the order they
// go into its archive, then the reader's attached file (when not empty).
// fullName is the data file's full name as the reader found it; a companion
// whose name differs from it only in case is offered under its spelling.
std::vector<std::string> NamedPaths(const std::string& fullName, const std::string& attachedFile);

// The companions the reader lists once its lists are loaded, in order: the
// numbered ones, then each linked set's three files and its linked file.
std::vector<std::string> ListedPaths(const std::string& fullName,
                                     const std::vector<ApplicationInfo::NumberedCompanion>& numbered,
                                     const std::vector<ApplicationInfo::LinkedSet>& linked);

// Where the numbered companions' names begin: the data file's path without
// its extension, ".KTM6" for a generation 6 data file, then ".V"; the number
// follows in decimal.
std::string NumberedPrefix(const std::string& fullName);

} // namespace ze6::DataFileCompanions
