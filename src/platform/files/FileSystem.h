#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ze6::FileSystem {

// Letter case is ignored wherever the program matches or compares names. On a
// case-sensitive file system a path whose exact spelling does not exist is
// resolved against its folder's listing, which is cached per folder and
// revalidated by the folder's stamp (as FolderStampOf gives it), so thousands
// of lookups in one folder cost one listing.

inline constexpr char kSeparator = '/';
// The longest path the system accepts, in bytes.
inline constexpr std::size_t kLongestPath = PATH_MAX;

// True for an existing file or folder (any letter case); never raises.
bool PathExists(const std::string& path);

// The path as spelled on disk, or nullopt when nothing matches.
std::optional<std::string> ResolvePath(const std::string& path);

// Bare names of the ordinary files (regular files or links to them; not hidden,
// not folders, devices, sockets or FIFOs) in the folder of `pattern` whose names
// match its last component, in the file system's order. Raises RuntimeError when
// the folder exists but cannot be read; a missing folder gives an empty list.
std::vector<std::string> ListFiles(const std::string& pattern);

// As ListFiles, for the files of `folder` whose names begin with `prefix`
// (letter case ignored), in no particular order. Answered from the folder's
// index, so asking this for each of thousands of files in one folder costs
// one listing.
std::vector<std::string> ListFilesStartingWith(const std::string& folder, const std::string& prefix);

// Wildcard match of one name: "*" any run, "?" any one character, a "?" at the
// end also matches nothing; letter case ignored.
bool MatchesWildcard(const std::string& name, const std::string& pattern);

// Case-insensitive comparison key of a name (UTF-8 aware, ASCII fast path).
std::string FoldCase(const std::string& text);
bool EqualIgnoringCase(const std::string& a, const std::string& b);

// True when `path` (as spelled) is a regular file after following links; false
// for folders, FIFOs, sockets, devices and what does not exist. Never opens it.
bool IsRegularFile(const std::string& path);
// The size of what IsRegularFile accepts; nullopt for what it refuses.
std::optional<std::uint64_t> RegularFileSize(const std::string& path);

// True when the process runs as root and `path` (as spelled) is a symbolic
// link owned neither by root nor by the owner of its folder. Following such a
// link would let any user who can write to the folder point a privileged run
// at any file on the system (the rule of the kernel's protected symlinks).
bool IsUntrustedLink(const std::string& path);

// The first component of `path` (its folders and its last name, as spelled)
// that IsUntrustedLink refuses, or nullopt. Checked before a privileged run
// writes below or reads from a path that others may have a hand in.
std::optional<std::string> UntrustedLinkOnPath(const std::string& path);

// Every entry of `folder` whose name equals `name` when letter case is
// ignored, of any kind (dangling links, folders and special files included),
// as full paths, the exact spelling first. Empty when there is none or the
// folder cannot be read.
std::vector<std::string> EntriesNamedIgnoringCase(const std::string& folder, const std::string& name);

// Creates one folder; true when it exists afterwards. Never raises.
bool MakeSingleFolder(const std::string& path);

// What a folder entry is itself: a symbolic link is described, not followed.
struct EntryFacts {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool regularFile = false;
    bool ownedByEffectiveUser = false;
    std::uint64_t size = 0;
};

// The entry at `path` as spelled, or nullopt when there is none; never raises.
std::optional<EntryFacts> EntryFactsOf(const std::string& path);

// Deletes a file; raises RuntimeError on failure.
void DeleteFile(const std::string& path);

// Makes a rename in the folder of `path` survive a crash (fsync of the
// folder); raises RuntimeError (with errorSource, naming the folder) when the
// folder cannot be synced. A folder that cannot be opened, or a file system
// that cannot sync folders, is left as it is.
void SyncFolderOf(const std::string& path, const std::string& errorSource = "ZE6Vivevu");

// What tells a folder's listing from a later one: the folder's identity and
// the times of its last change (the change time moves also when a program
// sets the modification time back, as copying tools do). Times come from the
// kernel's coarse clock, so a change within the same tick (a few
// milliseconds) may leave them as they were.
struct FolderStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool operator==(const FolderStamp&) const = default;
    // Times without any fraction come from a file system that keeps whole
    // seconds (FAT even two): there a whole second's changes look alike.
    bool WholeSeconds() const { return modifiedNanoseconds == 0 && changedNanoseconds == 0; }
};

// The folder's stamp now, or nullopt when it is no folder or cannot be examined.
std::optional<FolderStamp> FolderStampOf(const std::string& folder);
// The stamp of a folder's status as stat gave it.
FolderStamp StampOfStatus(const struct stat& status);

// Forgets cached listings (after the program itself changed a folder); an
// empty text forgets every folder.
void InvalidateCache(const std::string& folder);

} // namespace ze6::FileSystem
