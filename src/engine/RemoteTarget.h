#pragma once

#include "engine/Job.h"
#include "platform/RuntimeError.h"
#include "platform/remote/RemoteFolder.h"

#include <exception>
#include <functional>
#include <optional>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ze6 {
class Components;
class RemoteStorage;
class StagingFolder;
} // namespace ze6

namespace ze6::modDAZadaro {

class RunContext;
struct ArchiveFileList;

inline constexpr std::string_view kRemotePrefix = "rclone:";

// A target "rclone:<remote>:<path>" names a folder of an rclone remote.
bool IsRemoteTarget(const std::string& target);
// The folder as rclone names it ("nas:backups/rz"), without a final "/";
// raises RuntimeError 52 for a target that names no remote.
std::string RemoteFolderOf(const std::string& target);

// What one run knows of its remote targets: the one rclone helper, the
// staging folder the archives are made in before they go up, and each remote
// folder's listing, taken once per run and kept up to date with the run's
// own uploads and deletions.
class RemoteTargets final {
public:
    // What came of one archive's upload: its entry under its own name, or
    // why not; neither when the run was cancelled before it went.
    struct Upload {
        std::optional<RemoteEntry> entry;
        std::optional<RuntimeError> error;
        std::exception_ptr other;
    };

    // `cancelled` says whether the run has been asked to stop.
    explicit RemoteTargets(Components& services, std::function<bool()> cancelled = {});
    ~RemoteTargets();
    RemoteTargets(const RemoteTargets&) = delete;
    RemoteTargets& operator=(const RemoteTargets&) = delete;

    // Started at the first use; raises when rclone is missing or cannot start.
    RemoteStorage& Storage();
    // A new, empty folder of the staging folder, ending in "/". With the
    // remote folder its archives go to, that folder is listed now, so that
    // the names they get are free there too (see NameTaken).
    std::string NewStagingFolder(const std::string& forFolder = {});
    // Whether an archive staged as `archivePath` would meet a name its remote
    // folder holds: the run before, within the same second, may have used it.
    bool NameTaken(const std::string& archivePath) const;
    // The files of `folder`; at the first call the temporaries that killed
    // runs left there are deleted. Raises when it cannot be listed.
    std::vector<RemoteEntry>& Listing(const std::string& folder);
    // The files of `folder` as they are, hidden temporaries left out and
    // nothing deleted: for the commands that only read (verify, a dry run).
    // Raises when it cannot be listed.
    std::vector<RemoteEntry> ListingAsIs(const std::string& folder);
    // Starts, beside the run, the upload of an archive just named in a
    // staging folder made for a remote folder, so that it goes up while the
    // next archives are made. Nothing starts for another folder, for a
    // remote folder that could not be listed or for a name it holds: the
    // job's end deals with those.
    void StartUpload(const std::string& archivePath);
    // Waits for the uploads started from `stagingFolder`; by archive name.
    std::map<std::string, Upload> TakeUploads(const std::string& stagingFolder);
    // Archives uploaded by this run, as "folder/name".
    std::set<std::string> Uploaded;
    // "rclone is not installed" is in the log already.
    bool MissingReported = false;

private:
    class Uploads;
    Components& m_services;
    std::function<bool()> m_cancelled;
    std::unique_ptr<RemoteStorage> m_storage;
    std::unique_ptr<StagingFolder> m_staging;
    std::map<std::string, std::vector<RemoteEntry>> m_listings;
    std::map<std::string, RuntimeError> m_failedListings;
    std::map<std::string, std::string> m_stagedFor; // staging folder -> remote folder
    int m_stagingFolders = 0;
    // Last: its threads stop before the helper and the staging folder go.
    std::unique_ptr<Uploads> m_uploads;
};

// One archive in a remote folder.
struct RemoteArchive {
    std::string folder; // as rclone names it ("nas:backups/rz")
    std::string name;

    // "rclone:nas:backups/rz/A_2026-12-07-02-00-00.RZZ", as the user names it.
    std::string Shown() const;
};

// The archives an "rclone:" path names: the archive itself when it ends in
// ".RZZ" (any case) and exists, otherwise the archives of the folder in name
// order. Raises RuntimeError when the remote cannot be listed or, for an
// archive, when it is not there.
std::vector<RemoteArchive> RemoteArchivesOf(RemoteTargets& remote, const std::string& path);

// Downloads the archive into a new staging folder; returns its local path.
std::string FetchRemoteArchive(RemoteTargets& remote, const RemoteArchive& archive);

// Puts a finished local archive into the remote folder as `name`, the way a
// backup does: under a hidden name first, checked, then named, never in place
// of another. Raises RuntimeError, leaving no final name behind.
void UploadArchive(RemoteTargets& remote, const std::string& folder, const std::string& localPath,
                   const std::string& name);

// The name an archive of these files made now would get in a remote folder.
std::string RemoteArchiveNameNow(RunContext& run, const ArchiveFileList& files);

// The archives of `archiveName`'s series in a remote listing that count for
// it: those dated up to it, oldest first.
std::vector<std::string> RemoteSeries(const std::vector<RemoteEntry>& listing, const std::string& archiveName);

// Whether the remote archive holds exactly these files, by the rule of
// IFCHANGED. Only its end, the directory, is read, into the staging folder.
bool SameAsRemoteArchive(RunContext& run, const std::string& folder, const RemoteEntry& archive,
                         const ArchiveFileList& files);

// The data files among `names` (in sourceFolder) that differ from the newest
// archive of theirs in the job's remote folder, by the rule of IFCHANGED;
// the newest archives of the others are added to `unchangedArchives`. Only
// the end of each archive, its directory, is read. A data file that cannot
// be compared counts as changed, so that its archive is made (and fails
// there, said).
std::vector<std::string> ChangedOnRemote(RunContext& run, const Job& job, const std::string& sourceFolder,
                                         const std::vector<std::string>& names,
                                         std::vector<std::string>& unchangedArchives);

// Uploads every archive made in stagingFolder for `job`, each under a hidden
// name that is checked before it gets its own, then prunes the job's series
// on the remote, also those of the data files found unchanged (given by their
// newest archives); a failure is logged per data file, and a folder that
// failed anything is not pruned. The staged archives go in any case.
void UploadStagedArchives(RunContext& run, const Job& job, const std::string& stagingFolder,
                          const std::vector<std::string>& unchangedArchives = {});

} // namespace ze6::modDAZadaro
