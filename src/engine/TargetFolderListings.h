#pragma once

#include "platform/files/FileSystem.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ze6::modDAZadaro {

// What one run knows of its target folders. Pruning and the clean-up of
// abandoned temporaries need the archives of one series, and a folder can only
// be asked for all of its names: listing a folder of 10,000 archives again for
// each of 10,000 one-file jobs would cost a hundred million directory reads.
// So a folder is listed once per run and the listing kept up to date with the
// archives the run writes and deletes itself.
//
// Another program may write there meanwhile. Before each use the folder's
// stamp (identity, modification and change times) is compared with the one
// the listing was confirmed under, and a folder that changed is listed again.
// After a change of its own the run takes the folder's new stamp as its
// listing's. That stamp also covers whatever someone else changed between
// the listing's last confirmation and that moment, so it is taken only when
// that span was short (a second, or ten times what listing the folder costs):
// after a long archive or a long pruning the folder is listed again. While
// the run's own archives are being made there, as hidden temporaries, the
// folder changes under its own hands too: then a changed folder is listed
// again at most once per such span, whichever job uses it. A
// change made right after a stamp was taken, within the same tick of the
// clock that file times come from, leaves the stamp as it is: a few
// milliseconds on older kernels (from Linux 6.13 the common local file
// systems give a change after a stat a finer time). A file system that keeps
// whole seconds would hide two seconds at a time, so there a listing serves
// one job only; a network file system may answer from its attribute cache
// for some seconds. What goes unseen is at worst an
// archive too few counted (one more kept than asked), pruned by a later job
// or run, or an abandoned temporary left for the next run: a deletion never
// relies on the listing alone.
class TargetFolderListings final {
public:
    TargetFolderListings() = default;
    TargetFolderListings(const TargetFolderListings&) = delete;
    TargetFolderListings& operator=(const TargetFolderListings&) = delete;

    // Bare names of the archives in `folder` that belong to the series of
    // `stemName` (letter case ignored). Raises RuntimeError when the folder
    // exists but cannot be read.
    std::vector<std::string> Series(const std::string& folder, const std::string& stemName);

    struct Temporaries {
        // Made for archives of the series of `stemName`.
        std::vector<std::string> ownSeries;
        // Made for archives of any other series; only at the first call for
        // the folder in the run.
        std::vector<std::string> otherSeries;
    };
    // The hidden temporaries in `folder`; each is handed out for its own
    // series once per run (and once more among otherSeries).
    Temporaries TakeTemporaries(const std::string& folder, const std::string& stemName);

    // A job begins: listings that a job's own changes could hide another's
    // in are listed again, and with many folders listed, those the last job
    // did not use are dropped.
    void JobStarted();

    // An archive of the run's is being made in `folder` from one call to the
    // other: the folder changes under the run's own hands meanwhile.
    void ArchiveUnderWay(const std::string& folder);
    void ArchiveSettled(const std::string& folder);

    // The run's own changes to `folder`, made just before the call.
    void ArchiveAdded(const std::string& folder, const std::string& name);
    // What is left of a series after pruning.
    void ReplaceSeries(const std::string& folder, const std::string& stemName, std::vector<std::string> names);
    void TemporariesRemoved(const std::string& folder);

private:
    using Clock = std::chrono::steady_clock;
    struct Folder {
        // The stamp the listings were last confirmed under, and when.
        std::optional<FileSystem::FolderStamp> stamp;
        Clock::time_point confirmedAt;
        Clock::time_point listedAt;
        // List again at the next use.
        bool stale = true;
        // The job that last used the listings.
        std::uint64_t job = 0;
        // The run's archives being made there.
        std::size_t underWay = 0;
        bool archivesListed = false;
        bool temporariesListed = false;
        Clock::duration archivesCost{};
        Clock::duration temporariesCost{};
        bool otherSeriesTaken = false;
        // Folded stem -> names, in the folder's order and then as written.
        std::unordered_map<std::string, std::vector<std::string>> archives;
        std::unordered_map<std::string, std::vector<std::string>> temporaries;
        // Temporaries handed out for their series; not again after a new listing.
        std::unordered_set<std::string> temporariesTaken;
    };
    // The folder's entry, its listings dropped when the folder changed.
    Folder& Current(const std::string& folder);
    Folder& Archives(const std::string& folder);
    Folder& TemporariesOf(const std::string& folder);
    // After a change of the run's own: the new stamp, or a new listing at the next use.
    void Changed(const std::string& folder);

    // How long a listing may stand without a new one: a second, or ten times
    // what listing the folder costs.
    static Clock::duration TrustedSpan(const Folder& entry);
    // Dropping the listings keeps what was handed out (and the map's nodes stay put).
    static void Drop(Folder& entry);

    std::map<std::string, Folder> m_folders;
    // The folders that hold listings now.
    std::vector<Folder*> m_holding;
    std::uint64_t m_job = 0;
};

} // namespace ze6::modDAZadaro
