#include "engine/RemoteTarget.h"

#include "engine/Archive.h"
#include "engine/ArchiveSeries.h"
#include "engine/ErrorHandler.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/Retention.h"
#include "engine/RunContext.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/archive/ArchiveComparison.h"
#include "platform/files/FileSystem.h"
#include "platform/process/Clock.h"
#include "platform/remote/RemoteFolder.h"
#include "platform/remote/StagingFolder.h"

#include <QUtf8StringView>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace ze6::modDAZadaro {

namespace {
// As many archives as rclone copy sends at once by default.
constexpr std::size_t kUploadsAtOnce = 4;

bool Listed(const std::vector<RemoteEntry>& listing, const std::string& name)
{
    return std::any_of(listing.begin(), listing.end(), [&](const RemoteEntry& entry) { return entry.name == name; });
}

RuntimeError NameTakenError(const std::string& folder, const std::string& name)
{
    return RuntimeError(ErrorNumber::FileAlreadyExists,
                        "rclone remote \"" + folder + "\": " + name + " exists already", kProgramErrorSource);
}

void DeleteIfReachable(RemoteStorage& storage, const std::string& folder, const std::string& name)
{
    try {
        storage.Delete(folder, name);
    } catch (const RuntimeError&) {
        // Unreachable now: the next run that lists the folder removes it.
    }
}

// Up under a hidden name and checked there; then `name` (given the hidden
// name) gives it its own name. An archive is under its own name only when
// it is complete, and never in place of another.
template <typename Naming>
RemoteEntry UploadChecked(RemoteStorage& storage, const std::string& folder, const std::string& localPath,
                          const std::string& name, const std::vector<RemoteEntry>& listing, Naming&& naming)
{
    if (Listed(listing, name))
        throw NameTakenError(folder, name);
    // rclone speaks JSON, whose names are text: bytes of another encoding
    // would reach the remote as some other name, or none.
    if (!QUtf8StringView(name.data(), static_cast<qsizetype>(name.size())).isValidUtf8())
        throw RuntimeError(ErrorNumber::BadFileName,
                           "rclone remote \"" + folder + "\": " + name +
                               " cannot go up, its name is not UTF-8 (rename the data file)",
                           kProgramErrorSource);
    const std::string temporary = RemoteTemporaryName(name);
    try {
        // The upload itself compares the remote's copy with the archive; a
        // stat of our own would repeat it at a round trip per archive.
        storage.Upload(localPath, folder, temporary);
        naming(temporary);
        RemoteEntry entry;
        entry.name = name;
        entry.size = FileSystem::RegularFileSize(localPath).value_or(0);
        return entry;
    } catch (...) {
        DeleteIfReachable(storage, folder, temporary);
        throw;
    }
}

} // namespace

bool IsRemoteTarget(const std::string& target)
{
    return target.rfind(kRemotePrefix, 0) == 0;
}

std::string RemoteFolderOf(const std::string& target)
{
    std::string folder = target.substr(std::min(target.size(), kRemotePrefix.size()));
    const auto colon = folder.find(':');
    if (colon == 0 || colon == std::string::npos)
        throw RuntimeError(ErrorNumber::BadFileName, "Not an rclone folder (rclone:<remote>:<path>): " + target,
                           kProgramErrorSource);
    while (folder.size() > colon + 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The uploads started as archives are named: a few threads that take them
// in turn, each through its own connection to the helper. They touch no
// listing: whether a name is free there is asked before an upload starts.
class RemoteTargets::Uploads final {
public:
    Uploads(RemoteStorage& storage, std::function<bool()> cancelled)
        : m_storage(storage), m_cancelled(std::move(cancelled))
    {
        for (std::size_t n = 0; n < kUploadsAtOnce; ++n)
            m_threads.emplace_back([this] { Work(); });
    }
    ~Uploads()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_threads.clear(); // joins; what was not begun is dropped
    }
    Uploads(const Uploads&) = delete;
    Uploads& operator=(const Uploads&) = delete;

    void Add(const std::string& stagingFolder, const std::string& remoteFolder, const std::string& name)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_queue.push_back({stagingFolder, remoteFolder, name});
            ++m_pending[stagingFolder];
        }
        m_wake.notify_one();
    }

    std::map<std::string, Upload> Take(const std::string& stagingFolder)
    {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [&] { return m_pending[stagingFolder] == 0; });
        m_pending.erase(stagingFolder);
        std::map<std::string, Upload> results = std::move(m_results[stagingFolder]);
        m_results.erase(stagingFolder);
        return results;
    }

private:
    struct Task {
        std::string stagingFolder, remoteFolder, name;
    };

    void Work()
    {
        for (;;) {
            Task task;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
                if (m_stop)
                    return;
                task = std::move(m_queue.front());
                m_queue.pop_front();
            }
            Upload result;
            if (!m_cancelled || !m_cancelled()) {
                try {
                    // Whether the name was free is seen in the listing the
                    // job's end takes, once for all of its archives.
                    result.entry = UploadChecked(
                        m_storage, task.remoteFolder, task.stagingFolder + task.name, task.name, {},
                        [&](const std::string& temporary) {
                            m_storage.RenameUnlessTaken(task.remoteFolder, temporary, task.name);
                        });
                } catch (const RuntimeError& error) {
                    result.error = error;
                } catch (...) {
                    result.other = std::current_exception();
                }
            }
            {
                const std::lock_guard lock(m_mutex);
                m_results[task.stagingFolder][task.name] = std::move(result);
                --m_pending[task.stagingFolder];
            }
            m_done.notify_all();
        }
    }

    RemoteStorage& m_storage;
    const std::function<bool()> m_cancelled;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::deque<Task> m_queue;
    std::map<std::string, std::size_t> m_pending;
    std::map<std::string, std::map<std::string, Upload>> m_results;
    bool m_stop = false;
    std::vector<std::jthread> m_threads; // last: they stop before the rest goes
};

RemoteTargets::RemoteTargets(Components& services, std::function<bool()> cancelled)
    : m_services(services), m_cancelled(std::move(cancelled))
{
}

RemoteTargets::~RemoteTargets() = default;

void RemoteTargets::StartUpload(const std::string& archivePath)
{
    const auto staged = m_stagedFor.find(GetFolderPart(archivePath));
    if (staged == m_stagedFor.end() || !m_listings.contains(staged->second) || NameTaken(archivePath))
        return;
    if (!m_uploads) {
        try {
            m_uploads = std::make_unique<Uploads>(Storage(), m_cancelled);
        } catch (const RuntimeError&) {
            return;
        }
    }
    m_uploads->Add(staged->first, staged->second, archivePath.substr(staged->first.size()));
}

std::map<std::string, RemoteTargets::Upload> RemoteTargets::TakeUploads(const std::string& stagingFolder)
{
    return m_uploads ? m_uploads->Take(stagingFolder) : std::map<std::string, Upload>{};
}

RemoteStorage& RemoteTargets::Storage()
{
    if (!m_storage) {
        if (!RcloneInstalled())
            throw RuntimeError(ErrorNumber::FileNotFound, "rclone is not installed", kProgramErrorSource);
        m_storage = m_services.CreateRemoteStorage();
    }
    return *m_storage;
}

std::string RemoteTargets::NewStagingFolder(const std::string& forFolder)
{
    if (!m_staging)
        m_staging = std::make_unique<StagingFolder>();
    const std::string folder = m_staging->Path() + std::to_string(++m_stagingFolders) + "/";
    CreateFolderPath(folder);
    if (!forFolder.empty()) {
        m_stagedFor[folder] = forFolder;
        try {
            Listing(forFolder);
        } catch (const RuntimeError&) {
            // Said by the upload, for each of the job's archives.
        }
    }
    return folder;
}

bool RemoteTargets::NameTaken(const std::string& archivePath) const
{
    const auto staged = m_stagedFor.find(GetFolderPart(archivePath));
    if (staged == m_stagedFor.end())
        return false;
    const auto listing = m_listings.find(staged->second);
    if (listing == m_listings.end())
        return false;
    const std::string name = archivePath.substr(staged->first.size());
    return std::any_of(listing->second.begin(), listing->second.end(),
                       [&](const RemoteEntry& entry) { return entry.name == name; });
}

std::vector<RemoteEntry>& RemoteTargets::Listing(const std::string& folder)
{
    if (const auto found = m_listings.find(folder); found != m_listings.end())
        return found->second;
    // Asked once per run: a remote that is down is not waited for again by
    // each step of the job that needs its listing.
    if (const auto failed = m_failedListings.find(folder); failed != m_failedListings.end())
        throw failed->second;
    std::vector<RemoteEntry> entries;
    try {
        entries = Storage().List(folder);
    } catch (const RuntimeError& error) {
        m_failedListings.emplace(folder, error);
        throw;
    }
    std::vector<RemoteEntry> kept;
    for (auto& entry : entries) {
        if (AbandonedRemoteTemporary(entry.name, entry.modifiedSecondsSinceEpoch)) {
            try {
                Storage().Delete(folder, entry.name);
                continue;
            } catch (const RuntimeError&) {
                // Left for the next run.
            }
        }
        kept.push_back(std::move(entry));
    }
    return m_listings.emplace(folder, std::move(kept)).first->second;
}

std::vector<RemoteEntry> RemoteTargets::ListingAsIs(const std::string& folder)
{
    std::vector<RemoteEntry> entries;
    for (auto& entry : Storage().List(folder)) {
        if (!entry.name.starts_with('.'))
            entries.push_back(std::move(entry));
    }
    return entries;
}

namespace {

// The same rules as in a local folder, counted over the remote listing:
// the archives of the series dated up to the new one, oldest first; none
// this run uploaded goes.
void PruneRemoteSeries(RunContext& run, const std::string& folder, const std::string& archiveName,
                       const RetentionRules& rules)
{
    if (!rules.Prunes())
        return;
    const auto key = SeriesKey(archiveName);
    if (!key)
        return;
    RemoteTargets& remote = run.Remote();
    std::vector<RemoteEntry>& listing = remote.Listing(folder);
    const std::vector<std::string> counted = RemoteSeries(listing, archiveName);
    const auto verdicts = ApplyRetention(counted, rules);
    for (std::size_t i = 0; i < counted.size(); ++i) {
        if (verdicts[i].keep || remote.Uploaded.count(folder + "/" + counted[i]))
            continue;
        remote.Storage().Delete(folder, counted[i]);
        listing.erase(std::find_if(listing.begin(), listing.end(),
                                   [&](const RemoteEntry& entry) { return entry.name == counted[i]; }));
    }
}

bool IsArchiveName(const std::string& name)
{
    return UpperCase(GetFileExtension(name)) == ".RZZ";
}

} // namespace

std::string RemoteArchive::Shown() const
{
    return std::string(kRemotePrefix) + folder + (folder.ends_with(':') ? "" : "/") + name;
}

std::vector<RemoteArchive> RemoteArchivesOf(RemoteTargets& remote, const std::string& path)
{
    const std::string folderOrArchive = RemoteFolderOf(path);
    const auto slash = folderOrArchive.rfind('/');
    const auto colon = folderOrArchive.find(':');
    const std::size_t nameStart = slash == std::string::npos || slash < colon ? colon + 1 : slash + 1;
    const std::string last = folderOrArchive.substr(nameStart);
    if (IsArchiveName(last)) {
        std::string folder = folderOrArchive.substr(0, nameStart);
        if (folder.back() == '/')
            folder.pop_back();
        const auto entry = remote.Storage().Stat(folder, last);
        if (!entry)
            throw RuntimeError(ErrorNumber::FileNotFound, DescribeErrorNumber(ErrorNumber::FileNotFound) + ": " + path,
                               kProgramErrorSource);
        return {RemoteArchive{folder, last}};
    }
    std::vector<std::string> names;
    for (const auto& entry : remote.ListingAsIs(folderOrArchive)) {
        if (IsArchiveName(entry.name))
            names.push_back(entry.name);
    }
    std::vector<RemoteArchive> archives;
    for (auto& name : SortFileList(names, CompareMode::Text))
        archives.push_back({folderOrArchive, std::move(name)});
    return archives;
}

std::string FetchRemoteArchive(RemoteTargets& remote, const RemoteArchive& archive)
{
    const std::string local = remote.NewStagingFolder() + archive.name;
    remote.Storage().Download(archive.folder, archive.name, local);
    return local;
}

void UploadArchive(RemoteTargets& remote, const std::string& folder, const std::string& localPath,
                   const std::string& name)
{
    std::vector<RemoteEntry>& listing = remote.Listing(folder);
    RemoteStorage& storage = remote.Storage();
    listing.push_back(UploadChecked(storage, folder, localPath, name, listing,
                                    [&](const std::string& temporary) { storage.Rename(folder, temporary, name); }));
}

namespace {

// Enough for the directory of an archive of a data file with a few hundred
// companions; a longer one does not open from it and counts as a change.
constexpr std::size_t kDirectoryBytes = 256 * 1024;

bool UnchangedOnRemote(RunContext& run, const std::vector<RemoteEntry>& listing, const std::string& folder,
                       const std::string& dataFilePath, std::string& newestArchive)
{
    const ArchiveFileList files = CollectArchiveFiles(run.Services(), dataFilePath);
    const std::vector<std::string> series = RemoteSeries(listing, RemoteArchiveNameNow(run, files));
    if (series.empty())
        return false;
    const RemoteEntry* newest = &*std::find_if(listing.begin(), listing.end(),
                                               [&](const RemoteEntry& entry) { return entry.name == series.back(); });
    if (!SameAsRemoteArchive(run, folder, *newest, files))
        return false;
    newestArchive = newest->name;
    return true;
}

} // namespace

std::string RemoteArchiveNameNow(RunContext& run, const ArchiveFileList& files)
{
    return ChangeFileExtension(files.DataFileName, "") + ArchiveTimestamp(run.GetClock().Now()) + ".RZZ";
}

std::vector<std::string> RemoteSeries(const std::vector<RemoteEntry>& listing, const std::string& archiveName)
{
    const auto key = SeriesKey(archiveName);
    if (!key)
        return {};
    std::vector<std::string> counted;
    for (const auto& entry : listing) {
        // Never one dated after the run: a clock set wrong must not make it count.
        if (SeriesKey(entry.name) == key && TimestampOf(entry.name) <= TimestampOf(archiveName))
            counted.push_back(entry.name);
    }
    return SortFileList(counted, CompareMode::Text);
}

bool SameAsRemoteArchive(RunContext& run, const std::string& folder, const RemoteEntry& archive,
                         const ArchiveFileList& files)
{
    const RemoteEntry* newest = &archive;
    // The archive's end put where it belongs in a file of the archive's size:
    // the directory is all a comparison reads.
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(newest->size, kDirectoryBytes));
    const std::string tail = run.Remote().Storage().ReadRange(folder, newest->name, newest->size - length, length);
    const std::string local = run.Remote().NewStagingFolder() + newest->name;
    {
        std::ofstream sparse(local, std::ios::binary);
        sparse.seekp(static_cast<std::streamoff>(newest->size - tail.size()));
        sparse.write(tail.data(), static_cast<std::streamsize>(tail.size()));
        if (!sparse.flush())
            return false;
    }
    const bool same = CompareArchive(local, files.Paths, files.DataFileName) == ArchiveComparison::Same;
    FileSystem::DeleteFile(local);
    return same;
}

std::vector<std::string> ChangedOnRemote(RunContext& run, const Job& job, const std::string& sourceFolder,
                                         const std::vector<std::string>& names,
                                         std::vector<std::string>& unchangedArchives)
{
    const std::vector<RemoteEntry>* listing = nullptr;
    std::string folder;
    try {
        folder = RemoteFolderOf(job.Target);
        listing = &run.Remote().Listing(folder);
    } catch (const RuntimeError&) {
        return names; // each data file's upload then says what is wrong
    }
    std::vector<std::string> changed;
    for (const auto& name : names) {
        std::string newest;
        bool unchanged = false;
        try {
            unchanged = UnchangedOnRemote(run, *listing, folder, sourceFolder + name, newest);
        } catch (const std::exception&) {
            unchanged = false;
        }
        if (unchanged)
            unchangedArchives.push_back(std::move(newest));
        else
            changed.push_back(name);
    }
    return changed;
}

void UploadStagedArchives(RunContext& run, const Job& job, const std::string& stagingFolder,
                          const std::vector<std::string>& unchangedArchives)
{
    std::vector<std::string> staged = FileSystem::ListFiles(stagingFolder + "*.RZZ");
    std::sort(staged.begin(), staged.end());
    run.Outcome.DataFilesUnchanged += unchangedArchives.size();
    if (staged.empty() && unchangedArchives.empty())
        return;
    const auto discard = [&](const std::string& name) {
        try {
            FileSystem::DeleteFile(stagingFolder + name);
        } catch (const RuntimeError&) {
            // The staging folder goes at the end of the run.
        }
    };
    const auto reportFor = [&](const std::string& name, const RuntimeError& error) {
        ReportError(run.Outcome, "ArchiveApplication", error.Description(), error.Number(), name);
    };

    std::string folder;
    RemoteTargets& remote = run.Remote();
    try {
        folder = RemoteFolderOf(job.Target);
        remote.Listing(folder);
    } catch (const RuntimeError& error) {
        for (const auto& name : staged) {
            reportFor(name, error);
            discard(name);
        }
        return;
    }

    // Most went up while the job's next archives were made; the rest go now.
    // Several go up at once, each on its own connection to the helper: an
    // upload spends most of its time waiting for the remote's answers. The
    // listing is only read meanwhile; what came of each is told afterwards,
    // in the archives' order.
    using Upload = RemoteTargets::Upload;
    std::vector<Upload> uploads(staged.size());
    std::vector<std::size_t> left;
    {
        std::map<std::string, Upload> started = remote.TakeUploads(stagingFolder);
        for (std::size_t i = 0; i < staged.size(); ++i) {
            if (const auto found = started.find(staged[i]); found != started.end())
                uploads[i] = std::move(found->second);
            else
                left.push_back(i);
        }
    }
    {
        RemoteStorage& storage = remote.Storage();
        const std::vector<RemoteEntry>& listing = remote.Listing(folder);
        std::atomic<std::size_t> next{0};
        const auto upload = [&] {
            for (std::size_t at = next++; at < left.size(); at = next++) {
                const std::size_t i = left[at];
                if (run.CancelRequested())
                    continue;
                try {
                    // Whether the name was free is seen in the listing below,
                    // once for all of them instead of once for each.
                    uploads[i].entry = UploadChecked(
                        storage, folder, stagingFolder + staged[i], staged[i], listing,
                        [&](const std::string& temporary) { storage.RenameUnlessTaken(folder, temporary, staged[i]); });
                } catch (const RuntimeError& error) {
                    uploads[i].error = error;
                } catch (...) {
                    uploads[i].other = std::current_exception();
                }
            }
        };
        std::vector<std::jthread> helpers;
        for (std::size_t n = 1; n < std::min(kUploadsAtOnce, left.size()); ++n)
            helpers.emplace_back(upload);
        upload();
    }

    // What became of each, from one listing: an archive left under its
    // hidden name found its own name taken (the other file is left alone,
    // the copy goes), and one under its own name has the archive's size.
    if (std::any_of(uploads.begin(), uploads.end(), [](const Upload& upload) { return upload.entry.has_value(); })) {
        try {
            const std::vector<RemoteEntry> after = remote.Storage().List(folder);
            for (std::size_t i = 0; i < staged.size(); ++i) {
                if (!uploads[i].entry)
                    continue;
                const std::string temporary = RemoteTemporaryName(staged[i]);
                if (Listed(after, temporary)) {
                    DeleteIfReachable(remote.Storage(), folder, temporary);
                    uploads[i].entry.reset();
                    uploads[i].error = NameTakenError(folder, staged[i]);
                    continue;
                }
                const auto there = std::find_if(after.begin(), after.end(),
                                                [&](const RemoteEntry& entry) { return entry.name == staged[i]; });
                if (there == after.end() || there->size != uploads[i].entry->size) {
                    uploads[i].entry.reset();
                    uploads[i].error = RuntimeError(ErrorNumber::DeviceIoError,
                                                    "rclone remote \"" + folder + "\": the uploaded copy of " +
                                                        staged[i] +
                                                        (there == after.end() ? " is not there under its name"
                                                                              : " is not the archive's size there"),
                                                    kProgramErrorSource);
                }
            }
        } catch (const RuntimeError& error) {
            // Not known to be in place, so not to be counted on by the pruning.
            for (Upload& upload : uploads) {
                if (upload.entry) {
                    upload.entry.reset();
                    upload.error = error;
                }
            }
        }
    }

    bool failed = false;
    std::vector<std::string> uploaded;
    for (std::size_t i = 0; i < staged.size(); ++i) {
        const std::string& name = staged[i];
        discard(name);
        Upload& result = uploads[i];
        if (result.other)
            std::rethrow_exception(result.other);
        if (result.error) {
            reportFor(name, *result.error);
            failed = true;
        } else if (!result.entry) {
            failed = true; // cancelled before it went
        } else {
            remote.Listing(folder).push_back(std::move(*result.entry));
            remote.Uploaded.insert(folder + "/" + name);
            uploaded.push_back(name);
        }
    }
    // A folder that refused an upload may be one that would refuse the
    // deletions too, or show a listing that misses what it holds.
    if (failed)
        return;
    for (const std::vector<std::string>* names : {&std::as_const(uploaded), &unchangedArchives}) {
        for (const auto& name : *names)
            RunWithErrorHandler(run.Outcome, "ArchiveApplication",
                                [&] { PruneRemoteSeries(run, folder, name, job.Retention); });
    }
}

} // namespace ze6::modDAZadaro
