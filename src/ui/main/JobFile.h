#pragma once

#include "ui/main/JobRow.h"

#include <string>
#include <vector>

namespace ze6 {

// Reads the jobs the main window accepts from the configuration file at path
// (UTF-8). The whole file is read before anything is returned, so a failure
// leaves the caller's list untouched. Raises RuntimeError when the file
// cannot be opened or read; its description says why.
std::vector<JobRow> ReadJobFile(const std::string& path);

// Writes the jobs to path through a temporary file that replaces the old one
// only once everything has been written, so a failed save (disk full, no
// permission) leaves the previous file intact. Raises RuntimeError on failure.
void WriteJobFile(const std::string& path, const std::vector<JobRow>& rows);

} // namespace ze6
