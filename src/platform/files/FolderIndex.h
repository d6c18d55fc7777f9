#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ze6::FolderIndex {

// Case-insensitive lookup of names in a folder. While a Scope is alive each
// folder is listed once and its index (folded name -> names on disk) kept
// until the folder changes, as told by its stamp (identity, modification and
// change times), so that resolving thousands of names in one folder costs one
// listing and a stat per lookup. Without a Scope every lookup lists the folder
// afresh: nothing is remembered between runs.

// The names in `folder` whose folded form equals `foldedName`, the closest
// spelling to `name` first (the exact one when present). `folderStatus` is a stat of the folder
// taken just before the call. Empty when nothing matches or the folder cannot
// be read.
std::vector<std::string> Lookup(const std::string& folder, const struct stat& folderStatus, const std::string& name,
                                const std::string& foldedName);

// The names in `folder` whose folded form begins with `foldedPrefix`;
// nullopt when the folder cannot be read.
std::optional<std::vector<std::string>> WithPrefix(const std::string& folder, const struct stat& folderStatus,
                                                   const std::string& foldedPrefix);

// Keeps folder indexes from its construction to its destruction: a run, or a
// window's listing of a folder tree, holds one. Scopes may overlap (two runs
// of one process, or a run inside a listing); the indexes go when the last
// of them ends.
class Scope final {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// Forgets one folder's index; an empty text forgets all of them.
void Forget(const std::string& folder);

// The key under which a folder is kept: no trailing separator, "." for "".
std::string Key(const std::string& folder);

} // namespace ze6::FolderIndex
