#include "engine/ArchivePipeline.h"

#include "engine/Archive.h"
#include "engine/ErrorHandler.h"
#include "engine/Job.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/RemoteTarget.h"
#include "engine/RunContext.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/MountedVolumes.h"
#include "platform/files/PathText.h"
#include "platform/process/Clock.h"
#include "platform/process/WorkerPool.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace ze6::modDAZadaro {

namespace {

// An archive of at most this many bytes is built on a helper thread, its
// files compressed there in one piece each, while others are built and
// synced; a larger one has every core to itself and shows its progress as
// it goes.
constexpr std::uint64_t kLargestOverlapped = 1 << 20;
// Helpers per core: a helper spends much of its time waiting for its
// archive to reach the disk, and the syncs of several go out together.
constexpr unsigned kHelpersPerCore = 4;
constexpr unsigned kMostHelpers = 16;
// Data files under way per helper. Those built meanwhile are committed
// together: one sync of their folder serves them all.
constexpr std::size_t kUnderWayPerHelper = 4;

// A clock that does not move on (or is set back meanwhile) ends the wait,
// and the writer then reports the name as taken.
constexpr int kMostSecondsWaited = 3;

} // namespace

// One data file on its way from its name to its committed archive, or an
// event that waits for the data files before it.
struct PipelineItem {
    std::function<void()> event;
    std::string name; // as the progress sink hears it
    std::string targetFolder;
    std::string archivePath;
    RetentionRules retention;
    bool ifChanged = false;
    // Its files match its newest archive: none is written, and its series
    // is pruned as if the archive had been named `reference`.
    bool unchanged = false;
    std::string reference;
    std::uint64_t size = 0;
    bool begun = false;        // prepared without failure: its archive has a name and a writer
    bool liveProgress = false; // the sink heard of it while it was built
    std::vector<RuntimeError> held;
    std::unique_ptr<ArchiveWriter> writer;
    std::uint64_t bytesRead = 0;
    std::exception_ptr failure;
    ze6::WorkerGroup::Ticket building; // none when built on the run's thread
    bool named = false;
};

ArchivePipeline::ArchivePipeline(RunContext& run)
    : m_run(run),
      m_helpers(std::clamp(kHelpersPerCore * std::thread::hardware_concurrency(), kHelpersPerCore, kMostHelpers)),
      m_helping(ze6::WorkerPool::Shared(), m_helpers)
{
}

// Data files still queued are never built; those being built are waited for.
ArchivePipeline::~ArchivePipeline() = default;

void ArchivePipeline::Add(const std::string& sourceFolder, const std::string& targetFolder, const std::string& fileName,
                          const RetentionRules& retention, bool ifChanged)
{
    auto item = std::make_unique<PipelineItem>();
    item->name = sourceFolder + fileName;
    item->retention = retention;
    item->ifChanged = ifChanged;
    Prepare(*item, targetFolder);
    PipelineItem& added = *item;
    if (!added.begun) {
        m_items.push_back(std::move(item));
    } else if (added.size <= kLargestOverlapped) {
        m_run.Listings.ArchiveUnderWay(added.targetFolder);
        m_items.push_back(std::move(item));
        added.building = m_helping.Submit([this, &added] { BuildOverlapped(added); });
    } else {
        CommitAll();
        m_run.Listings.ArchiveUnderWay(added.targetFolder);
        m_items.push_back(std::move(item));
        BuildLive(added);
    }
    while (m_items.size() >= kUnderWayPerHelper * m_helpers)
        CommitBuilt();
}

void ArchivePipeline::Queue(std::function<void()> event)
{
    auto item = std::make_unique<PipelineItem>();
    item->event = std::move(event);
    m_items.push_back(std::move(item));
}

void ArchivePipeline::CommitAll()
{
    while (!m_items.empty())
        CommitBuilt();
}

void ArchivePipeline::Prepare(PipelineItem& file, const std::string& targetFolder)
{
    try {
        const ArchiveFileList files = CollectArchiveFiles(m_run.Services(), file.name, &file.held);

        // An unplugged backup drive: nothing may go to the system disk in its place.
        if (MountedVolumes::WouldWriteToAbsentVolume(targetFolder))
            Raise(ErrorNumber::PathNotFound, kProgramErrorSource, targetFolder);
        if (!FileExists(targetFolder))
            CreateFolderPath(targetFolder);
        // As spelled on disk, still ending in its one separator.
        file.targetFolder = FileSystem::ResolvePath(targetFolder).value_or(targetFolder);

        const std::string stem = file.targetFolder + ChangeFileExtension(files.DataFileName, "");
        std::string archivePath = stem + ArchiveTimestamp(m_run.GetClock().Now()) + ".RZZ";
        const RemoteTargets* remote = m_run.RemoteInUse();
        const auto nameTaken = [&] {
            return NameTakenByThisRun(archivePath) || FileSystem::PathExists(archivePath) ||
                   (remote != nullptr && remote->NameTaken(archivePath));
        };
        bool taken = nameTaken();

        RemoveAbandonedTemporaries(m_run, archivePath, file.targetFolder);
        file.size = files.Bytes;
        // Compared here, on the run's thread, before any name is waited for:
        // an unchanged data file needs none, even when the name is taken by
        // the very archive it matches, made within this second. Handing the
        // comparison of a small data file to a helper costs more in waking
        // threads than it saves; a large one's pieces are read on several.
        if (file.ifChanged && SameAsNewestGeneration(m_run, archivePath, file.targetFolder, files.Paths,
                                                     files.DataFileName)) {
            file.reference = archivePath;
            file.unchanged = true;
            return;
        }
        // ABC.RZT and ABC.RZT6 share one series: the second of them, backed up
        // within the same second, finds its name taken by the first; so does a
        // run started by hand in the second the nightly run named its archive.
        for (int waited = 0; waited < kMostSecondsWaited && taken; ++waited) {
            m_run.GetClock().WaitForNextSecond();
            archivePath = stem + ArchiveTimestamp(m_run.GetClock().Now()) + ".RZZ";
            taken = nameTaken();
        }
        file.writer = m_run.Services().CreateArchiveWriter();
        file.writer->SetArchiveName(archivePath);
        for (const auto& path : files.Paths)
            file.writer->AddFile(path);
        file.archivePath = archivePath;
        file.begun = true;
    } catch (...) {
        file.failure = std::current_exception();
    }
}

bool ArchivePipeline::NameTakenByThisRun(const std::string& archivePath) const
{
    return m_run.Written.Contains(archivePath) || std::any_of(m_items.begin(), m_items.end(), [&](const auto& file) {
               return file->archivePath == archivePath;
           });
}

void ArchivePipeline::BuildLive(PipelineItem& file)
{
    file.liveProgress = true;
    m_run.Progress().DataFileStarted(file.name, file.size);
    file.writer->SetBlockObserver([this, &file](std::uint64_t bytes) {
        file.bytesRead += bytes;
        m_run.Progress().BytesRead(bytes);
        return !m_run.CancelRequested();
    });
    Build(file);
}

void ArchivePipeline::Build(PipelineItem& file)
{
    try {
        if (m_run.CancelRequested())
            Raise(ErrorNumber::UserInterrupt, kProgramErrorSource);
        file.writer->Build();
    } catch (...) {
        file.failure = std::current_exception();
    }
}

void ArchivePipeline::BuildOverlapped(PipelineItem& file)
{
    file.writer->SetBlockObserver([this, &file](std::uint64_t bytes) {
        file.bytesRead += bytes;
        return !m_run.CancelRequested();
    });
    Build(file);
}

bool ArchivePipeline::Built(const PipelineItem& item) const
{
    return !item.building || m_helping.Done(item.building);
}

// Commits the oldest item, once built, with every one built right after it.
void ArchivePipeline::CommitBuilt()
{
    if (m_items.front()->building)
        m_helping.Wait(m_items.front()->building);
    std::size_t count = 1;
    while (count < m_items.size() && Built(*m_items[count]))
        ++count;

    // Each archive is named; then each folder is synced once.
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < count; ++i) {
        PipelineItem& file = *m_items[i];
        if (!file.begun || file.failure || m_run.CancelRequested())
            continue;
        try {
            file.writer->Commit();
            file.named = true;
            if (std::find(folders.begin(), folders.end(), file.targetFolder) == folders.end())
                folders.push_back(file.targetFolder);
        } catch (...) {
            file.failure = std::current_exception();
        }
    }
    for (const auto& folder : folders) {
        const auto named = std::find_if(m_items.begin(), m_items.begin() + count,
                                        [&](const auto& file) { return file->named && file->targetFolder == folder; });
        try {
            ArchiveWriter::SyncFolderOf((*named)->archivePath);
        } catch (...) {
            // The archives are in place, but their names may not survive a crash.
            const auto failure = std::current_exception();
            for (std::size_t i = 0; i < count; ++i) {
                if (m_items[i]->named && m_items[i]->targetFolder == folder)
                    m_items[i]->failure = failure;
            }
        }
    }

    // Every archive of the batch is the run's own before any series is
    // pruned: the listings must show each once, and no pruning may count
    // or delete one that is merely waiting for its turn to be reported.
    for (std::size_t i = 0; i < count; ++i) {
        const PipelineItem& file = *m_items[i];
        if (!file.named || file.failure)
            continue;
        m_run.Written.Remember(file.archivePath);
        m_run.Listings.ArchiveAdded(file.targetFolder, file.archivePath.substr(file.targetFolder.size()));
        // An archive staged for a remote folder starts up at once.
        if (m_run.RemoteInUse())
            m_run.Remote().StartUpload(file.archivePath);
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_ptr<PipelineItem> item = std::move(m_items.front());
        m_items.pop_front();
        if (item->event) {
            item->event();
            continue;
        }
        Report(*item);
        if (item->begun)
            m_run.Listings.ArchiveSettled(item->targetFolder);
    }
}

namespace {

// An archive already named when the run was cancelled goes again: the run
// keeps the archives of the data files it reported finished, no other.
void TakeBack(const PipelineItem& file)
{
    if (!file.named)
        return;
    try {
        FileSystem::DeleteFile(file.archivePath);
    } catch (const RuntimeError&) {
        // Complete and synced: left, it costs nothing but room.
    }
}

} // namespace

void ArchivePipeline::Report(PipelineItem& file)
{
    // Once the run is cancelled the sink hears of no other data file,
    // and none keeps an archive.
    if (m_run.CancelRequested() && !file.liveProgress) {
        TakeBack(file);
        return;
    }
    if (!file.liveProgress) {
        m_run.Progress().DataFileStarted(file.name, file.size);
        if (file.bytesRead > 0)
            m_run.Progress().BytesRead(file.bytesRead);
    }
    // Cancelled while the sink heard of it: it ends as if it had been in hand.
    if (m_run.CancelRequested() && file.named) {
        TakeBack(file);
        m_run.Progress().DataFileFinished(false);
        return;
    }
    for (const auto& refused : file.held)
        ReportError(m_run.Outcome, "ArchiveApplication", refused.Description(), refused.Number(), refused.Source());
    bool written = false;
    RunWithErrorHandler(m_run.Outcome, "ArchiveApplication", [&] {
        if (file.failure) {
            try {
                std::rethrow_exception(file.failure);
            } catch (const RuntimeError& error) {
                // Nothing is left under the name; the run's one entry
                // says it was cancelled.
                if (error.Number() == ErrorNumber::UserInterrupt && m_run.CancelRequested())
                    return;
                throw;
            }
        }
        if (file.unchanged) {
            ++m_run.Outcome.DataFilesUnchanged;
            PruneArchives(m_run, file.reference, file.targetFolder, file.retention);
            written = true;
            return;
        }
        if (!file.named)
            return;
        ++m_run.Outcome.ArchivesWritten;
        FileSystem::InvalidateCache(file.targetFolder);
        if (const auto facts = FileSystem::EntryFactsOf(file.archivePath))
            m_run.Outcome.BytesWritten += facts->size;
        PruneArchives(m_run, file.archivePath, file.targetFolder, file.retention);
        written = true;
    });
    m_run.Progress().DataFileFinished(written);
}

} // namespace ze6::modDAZadaro
