#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ze6 {

// One file in a remote folder.
struct RemoteEntry {
    std::string name;
    std::uint64_t size = 0;
    std::int64_t modifiedSecondsSinceEpoch = 0;
    // Hash name ("md5", "sha1", ...) -> lower-case hex, only those the
    // remote offers; empty when it offers none (WebDAV, crypt).
    std::map<std::string, std::string> hashes;
};

// The folders of rclone remotes ("nas:backups/rz"), reached through one
// helper process for the life of the object, so that thousands of files do
// not cost thousands of process starts. Every operation raises RuntimeError
// whose description names the folder and carries rclone's own message.
class RemoteStorage {
public:
    virtual ~RemoteStorage() = default;
    // The files directly in `folder`; an absent folder holds none.
    virtual std::vector<RemoteEntry> List(const std::string& folder) = 0;
    virtual std::optional<RemoteEntry> Stat(const std::string& folder, const std::string& name) = 0;
    // Into a new name, whose present copy (if any) is replaced. Raises when
    // the copy the remote then holds differs from the file in its size or in
    // a hash both sides have: rclone reads back what the remote says of the
    // copy and compares, before it counts the upload as done.
    virtual void Upload(const std::string& localPath, const std::string& folder, const std::string& name) = 0;
    // Renames within the folder; raises, changing nothing, when `to` exists.
    virtual void Rename(const std::string& folder, const std::string& from, const std::string& to) = 0;
    // Renames within the folder unless `to` exists, when nothing changes and
    // nothing is raised: a listing afterwards tells which it was. One call
    // where Rename needs two, for archives that go up by the thousand.
    virtual void RenameUnlessTaken(const std::string& folder, const std::string& from, const std::string& to) = 0;
    virtual void Delete(const std::string& folder, const std::string& name) = 0;
    // Into a new local file `localPath`.
    virtual void Download(const std::string& folder, const std::string& name, const std::string& localPath) = 0;
    // `length` bytes of the file from `offset` on, read without fetching the
    // rest (a ZIP archive's directory, say); the range must lie in the file.
    virtual std::string ReadRange(const std::string& folder, const std::string& name, std::uint64_t offset,
                                  std::size_t length) = 0;
};

// Whether the rclone program is on PATH.
bool RcloneInstalled();

// Starts the helper: `rclone rcd` on 127.0.0.1 behind a random user and
// password handed over in its environment, with the user's own rclone
// configuration. Raises RuntimeError when it cannot be started.
std::unique_ptr<RemoteStorage> StartRcloneStorage();

// The names `rclone listremotes` gives, without their colons; empty when
// rclone is missing or has none.
std::vector<std::string> RcloneRemotes();

// The folders at the top of a remote, each ending in "/"; empty when it
// cannot be listed.
std::vector<std::string> RcloneFolders(const std::string& remote);

// The hidden name an archive is uploaded under before it is checked and
// given `finalName`: ".<finalName>.upload-<host>-<process>".
std::string RemoteTemporaryName(const std::string& finalName);
// Whether `name` is such a temporary that nobody is writing any more: made
// by a process of this host that is gone, or, from another host, unchanged
// for an hour. Names of any other form are never ours to delete.
bool AbandonedRemoteTemporary(const std::string& name, std::int64_t modifiedSecondsSinceEpoch);

} // namespace ze6
