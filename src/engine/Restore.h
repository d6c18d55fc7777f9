#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ze6 {
class Components;
}

namespace ze6::modDAZadaro {

struct RestoreOutcome {
    std::vector<std::string> files; // the files put in place, as now spelled on disk
    std::string safetyArchive;      // the generation that holds what was replaced; empty when none was needed
    std::string failure;            // empty on success; otherwise what went wrong (it is in the log too)

    bool Succeeded() const { return failure.empty(); }
};

// Puts every entry of an archive into `folder`, created with its parents when
// missing. All or nothing: every obstacle is found, and every entry written
// beside its final name and checked against its CRC-32 and length, before
// the first file is renamed into place; a failure after that gives every
// file back what it held. When files are to be replaced, the destination's
// data file with its companions, every other file to be replaced, and the
// names of the files the restore creates, are first archived as a new
// generation into the archive's own folder; restoring that generation undoes
// the restore, removing the files it created. A file that exists in another
// letter case keeps its spelling. A new file gets the permissions recorded in
// the archive, narrowed by the umask. Run by root, it follows no link another
// user may have planted, and what it creates in another user's folder is
// theirs. Failures are logged under RestoreArchive. The safety generation is
// written, and its time taken, with `services`.
RestoreOutcome RestoreArchive(Components& services, const std::string& archivePath, const std::string& folder);

// The command "/RESTORE <archive> <folder>": silent; 0 on success, 1 otherwise.
int RestoreCommand(const std::vector<std::string>& operands);

// One archive a job can be restored from.
struct RestorePoint {
    std::string path;     // the archive
    std::string dataFile; // the data file's name without extension, as in the archive's name
    std::string date;     // "yyyy-mm-dd"
    std::string time;     // "hh:mm:ss"
    std::uint64_t size = 0;

    bool operator==(const RestorePoint&) const = default;
};

// The archives in a job's target folder of the data files its source names
// (also of data files that are gone since), grouped by data file and newest
// first within each. Raises RuntimeError when the folder cannot be read.
std::vector<RestorePoint> ListRestorePoints(const std::string& source, const std::string& target);

} // namespace ze6::modDAZadaro
