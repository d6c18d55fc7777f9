#pragma once

#include "engine/Job.h"
#include "platform/RuntimeError.h"

#include <string>
#include <vector>

namespace ze6 {

// Reads what the main window takes from the configuration file at path. The
// whole file is read before anything is returned, so a failure leaves the
// caller's list untouched. Raises RuntimeError when the file cannot be opened
// or read; its description says why.
modDAZadaro::JobFileContent ReadJobFile(const std::string& path);

// Raised when the new file is in place but its folder could not be synced:
// the save may not survive a crash.
class FolderNotSynced final : public RuntimeError {
public:
    explicit FolderNotSynced(const RuntimeError& error) : RuntimeError(error) {}
};

// Writes the jobs to path through a temporary file that replaces the old one
// only once everything has been written, so a failed save (disk full, no
// permission) leaves the previous file intact. Raises RuntimeError on failure.
void WriteJobFile(const std::string& path, const std::vector<modDAZadaro::Job>& jobs);

} // namespace ze6
