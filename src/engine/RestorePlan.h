#pragma once

#include "platform/archive/ArchiveReader.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

// The entry of a safety generation that names the files the restore it saved
// for created: restoring that generation removes them again. Hidden, so that
// no data file or companion can carry its name.
inline constexpr const char* kCreatedFilesEntry = ".ZE6Vivevu-created-by-restore";

// Raises 52 unless every entry is a plain name (no folder part, not "." or
// "..") and no two are equal when letter case is ignored: anything else
// would write outside the folder the user chose.
void CheckEntryNames(const std::vector<ArchiveEntry>& entries, const std::string& archive);

// The names kCreatedFilesEntry lists, checked as entry names are; none when
// the archive has no such entry.
std::vector<std::string> CreatedFilesOf(ArchiveReader& reader);

// The content of kCreatedFilesEntry for these names.
std::string CreatedFilesText(const std::vector<std::string>& names);

struct RestoreStep {
    enum class Kind { NewFile, ReplaceFile, NewFolder, RemoveFile };
    Kind kind = Kind::NewFile;
    std::size_t entry = 0; // the archive entry; unused for RemoveFile
    std::string path;      // in the destination, as spelled on disk when it exists

    bool operator==(const RestoreStep&) const = default;
};

// What a restore of `entries` into `destination` (a folder, ending in a
// separator) does, found before anything changes: a name taken, in any
// letter case, by what the entry cannot replace (a folder or a link that
// leads nowhere where a file goes, a file where a folder goes) raises 75, a
// link that IsUntrustedLink refuses raises 70, each naming the path. A file
// of `removals` goes only when it is a regular file that no entry names.
// Folders that exist already need no step.
std::vector<RestoreStep> PlanRestore(const std::vector<ArchiveEntry>& entries, const std::vector<std::string>& removals,
                                     const std::string& destination);

} // namespace ze6::modDAZadaro
