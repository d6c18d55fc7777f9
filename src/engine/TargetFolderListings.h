#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace ze6::modDAZadaro {

// What one job knows of its target folders. Pruning and the clean-up of
// abandoned temporaries need the archives of one series, and a folder can only
// be asked for all of its names: listing a folder of 100,000 archives again
// for each of 20,000 data files would cost billions of directory reads. So a
// job lists each target folder once, at its first data file, and keeps the
// listing up to date with the archives it writes and deletes itself. What
// another program changes there meanwhile is seen by the next job; at worst an
// archive is pruned one run later.
class TargetFolderListings final {
public:
    TargetFolderListings() = default;
    TargetFolderListings(const TargetFolderListings&) = delete;
    TargetFolderListings& operator=(const TargetFolderListings&) = delete;

    // Bare names of the archives in `folder` that belong to the series of
    // `stemName` (letter case ignored). Raises RuntimeError when the folder
    // exists but cannot be read.
    std::vector<std::string> Series(const std::string& folder, const std::string& stemName);
    // The hidden temporaries in `folder` made for archives of that series;
    // each is handed out once per job.
    std::vector<std::string> TakeTemporaries(const std::string& folder, const std::string& stemName);
    // The hidden temporaries in `folder` made for archives of any series, at
    // the first call for that folder in the job; none at later calls.
    std::vector<std::string> TakeEveryTemporaryOnce(const std::string& folder);

    void ArchiveAdded(const std::string& folder, const std::string& name);
    // What is left of a series after pruning.
    void ReplaceSeries(const std::string& folder, const std::string& stemName, std::vector<std::string> names);

private:
    struct Folder {
        bool archivesListed = false;
        bool temporariesListed = false;
        bool everyTemporaryTaken = false;
        // Folded stem -> names, in the folder's order and then as written.
        std::unordered_map<std::string, std::vector<std::string>> archives;
        std::unordered_map<std::string, std::vector<std::string>> temporaries;
    };
    Folder& Archives(const std::string& folder);
    Folder& Temporaries(const std::string& folder);

    std::map<std::string, Folder> m_folders;
};

} // namespace ze6::modDAZadaro
