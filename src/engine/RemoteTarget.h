#pragma once

#include "engine/Job.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ze6 {
class Components;
class RemoteStorage;
class StagingFolder;
struct RemoteEntry;
} // namespace ze6

namespace ze6::modDAZadaro {

class RunContext;

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
    explicit RemoteTargets(Components& services);
    ~RemoteTargets();
    RemoteTargets(const RemoteTargets&) = delete;
    RemoteTargets& operator=(const RemoteTargets&) = delete;

    // Started at the first use; raises when rclone is missing or cannot start.
    RemoteStorage& Storage();
    // A new, empty folder of the staging folder, ending in "/".
    std::string NewStagingFolder();
    // The files of `folder`; at the first call the temporaries that killed
    // runs left there are deleted. Raises when it cannot be listed.
    std::vector<RemoteEntry>& Listing(const std::string& folder);
    // Archives uploaded by this run, as "folder/name".
    std::set<std::string> Uploaded;
    // "rclone is not installed" is in the log already.
    bool MissingReported = false;

private:
    Components& m_services;
    std::unique_ptr<RemoteStorage> m_storage;
    std::unique_ptr<StagingFolder> m_staging;
    std::map<std::string, std::vector<RemoteEntry>> m_listings;
    int m_stagingFolders = 0;
};

// Uploads every archive made in stagingFolder for `job`, each under a hidden
// name that is checked before it gets its own, then prunes the job's series
// on the remote; a failure is logged per data file, and a folder that failed
// anything is not pruned. The staged archives go in any case.
void UploadStagedArchives(RunContext& run, const Job& job, const std::string& stagingFolder);

} // namespace ze6::modDAZadaro
