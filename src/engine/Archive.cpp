#include "engine/Archive.h"

#include "engine/ErrorHandler.h"
#include "engine/PathOperations.h"
#include "engine/Pruning.h"
#include "engine/RunContext.h"
#include "platform/Clock.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/MountedVolumes.h"
#include "platform/files/PathText.h"

#include <QDateTime>
#include <QString>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace ze6::modDAZadaro {

namespace {

// The companions that carry the generation suffix, in the order they are offered.
constexpr const char* kSuffixedCompanions[] = {".rzt", ".rzd", ".rzi", ".rza", ".rzn", ".ktm", ".rzm", ".rzl"};

// A clock that does not move on (or is set back meanwhile) ends the wait,
// and the writer then reports the name as taken.
constexpr int kMostSecondsWaited = 3;

// A folder as spelled on disk, ending in one separator; unchanged when it
// cannot be found.
std::string FolderAsFound(const std::string& folder)
{
    const auto found = FileSystem::ResolvePath(FileSystem::WithoutTrailingSeparators(folder));
    return WithTrailingSeparator(found ? *found : folder);
}

} // namespace

std::string ArchiveTimestamp(const QDateTime& now)
{
    return now.toString(QStringLiteral("_yyyy-MM-dd-HH-mm-ss")).toStdString();
}

namespace {

// Refusals go to `held` when it is given, to the log otherwise.
void AddArchiveFile(RunContext& run, const std::string& path, std::vector<RuntimeError>* held)
{
    // A colon in fourth place marks a device name ("CON:", "NUL:"), never a file to archive.
    if (path.size() >= 4 && path[3] == ':')
        return;
    if (!FileExists(path))
        return;
    const auto found = FileSystem::ResolvePath(path);
    if (!found)
        return;
    if (FileSystem::IsUntrustedLink(*found)) {
        // Left out, but said: the archive lacks a file the user may expect in it.
        RuntimeError refused(ErrorNumber::PermissionDenied, DescribeErrorNumber(ErrorNumber::PermissionDenied),
                             kProgramErrorSource, *found);
        if (held)
            held->push_back(std::move(refused));
        else
            ReportError(run.Outcome, "ArchiveApplication", refused.Description(), refused.Number(), refused.Source());
        return;
    }
    // A FIFO, socket or device named like a companion is none; reading it
    // could block the run for ever.
    if (!FileSystem::IsFileOrFolder(*found))
        return;

    auto& list = run.ArchiveFileList;
    auto& keys = run.ArchiveFileKeys;
    if (keys.size() != list.size()) {
        keys.clear();
        for (const auto& entry : list)
            keys.insert(FileSystem::FoldCase(entry));
    }
    if (!keys.insert(FileSystem::FoldCase(*found)).second)
        return;
    list.push_back(*found);
}

} // namespace

void AddArchiveFile(RunContext& run, const std::string& path)
{
    AddArchiveFile(run, path, nullptr);
}

std::string CollectArchiveFiles(RunContext& run, const std::string& dataFilePath, std::vector<RuntimeError>* held)
{
    run.ArchiveFileList.clear();
    run.ArchiveFileKeys.clear();
    const auto add = [&](const std::string& path) { AddArchiveFile(run, path, held); };

    auto info = GetComponents().CreateApplicationInfo();
    info->Open(dataFilePath);
    const std::string fullName = info->FullName();
    const std::string folder = info->Folder();
    const std::string bareName = fullName.substr(std::min(folder.size(), fullName.size()));

    const std::string suffix = !fullName.empty() && fullName.back() == '6' ? "6" : "";
    const std::string numberedPrefix = suffix.empty() ? "" : ".KTM6";

    // The data file itself goes in under its own spelling, also when a
    // name that differs only in case lies beside it.
    for (const char* extension : kSuffixedCompanions) {
        const std::string offer = ChangeFileExtension(fullName, extension + suffix);
        add(FileSystem::EqualIgnoringCase(offer, fullName) ? fullName : offer);
    }
    add(ChangeFileExtension(fullName, ".rzx6"));
    add(ChangeFileExtension(fullName, ".rzx"));

    const std::string attached = info->AttachedFile();
    if (!attached.empty())
        add(attached);

    info->LoadLists();
    for (const auto& companion : info->NumberedCompanions())
        add(ChangeFileExtension(fullName, numberedPrefix + ".V" + std::to_string(companion.Number)));
    for (const auto& linked : info->LinkedSets()) {
        if (!linked.BasePath.empty()) {
            add(linked.BasePath + ".hbt");
            add(linked.BasePath + ".hbd");
            add(linked.BasePath + ".hbi");
        }
        if (!linked.LinkedFile.empty())
            add(linked.LinkedFile);
    }
    info->Close();
    return bareName;
}

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

// One data file on its way from its name to its committed archive.
struct DataFile {
    std::string name; // as the progress sink hears it
    std::string targetFolder;
    std::string archivePath;
    std::uint64_t size = 0;
    bool begun = false;        // prepared without failure: its archive has a name and a writer
    bool liveProgress = false; // the sink heard of it while it was built
    std::vector<RuntimeError> held;
    std::unique_ptr<ArchiveWriter> writer;
    std::uint64_t bytesRead = 0;
    std::exception_ptr failure;
    bool built = false; // guarded by the pipeline's mutex while a helper has it
    bool named = false;
};

// Data files go in and come out in order: each is prepared (its files
// collected, its archive named) on the run's thread, built on a helper
// thread, and committed on the run's thread, where the log, the progress
// sink, the listings and pruning are used as if each data file had been
// archived alone. Nothing of a series is pruned before its new archive is
// synced, named and its folder synced; a cancelled run keeps no archive of
// the data file in hand, and says nothing of those after it.
class ArchivePipeline final {
public:
    ArchivePipeline(RunContext& run, bool overlap)
        : m_run(run), m_overlap(overlap),
          m_helpers(std::clamp(kHelpersPerCore * std::thread::hardware_concurrency(), kHelpersPerCore, kMostHelpers))
    {
    }
    ~ArchivePipeline()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_work.notify_all();
        for (auto& thread : m_threads)
            thread.join();
    }
    ArchivePipeline(const ArchivePipeline&) = delete;
    ArchivePipeline& operator=(const ArchivePipeline&) = delete;

    void Add(const std::string& sourceFolder, const std::string& targetFolder, const std::string& fileName)
    {
        auto file = std::make_unique<DataFile>();
        file->name = sourceFolder + fileName;
        Prepare(*file, targetFolder);
        DataFile& added = *file;
        if (!added.begun) {
            added.built = true;
            m_files.push_back(std::move(file));
        } else if (m_overlap && added.size <= kLargestOverlapped) {
            m_files.push_back(std::move(file));
            StartHelpers();
            {
                const std::lock_guard lock(m_mutex);
                m_queue.push_back(&added);
            }
            m_work.notify_one();
        } else {
            CommitAll();
            m_files.push_back(std::move(file));
            BuildLive(added);
        }
        while (m_files.size() >= kUnderWayPerHelper * m_helpers)
            CommitBuilt();
    }

    void CommitAll()
    {
        while (!m_files.empty())
            CommitBuilt();
    }

private:
    void Prepare(DataFile& file, std::string targetFolder)
    {
        try {
            const std::string bareName = CollectArchiveFiles(m_run, file.name, &file.held);

            // An unplugged backup drive: nothing may go to the system disk in its place.
            if (MountedVolumes::WouldWriteToAbsentVolume(targetFolder))
                Raise(ErrorNumber::PathNotFound, kProgramErrorSource, targetFolder);
            if (!FileExists(targetFolder))
                CreateFolderPath(WithTrailingSeparator(targetFolder));
            targetFolder = FolderAsFound(WithTrailingSeparator(targetFolder));

            const std::string stem = targetFolder + ChangeFileExtension(bareName, "");
            std::string archivePath = stem + ArchiveTimestamp(CurrentLocalTime()) + ".RZZ";
            // ABC.RZT and ABC.RZT6 share one series: the second of them, backed up
            // within the same second, finds its name taken by the first.
            for (int waited = 0; waited < kMostSecondsWaited && NameTakenByThisRun(archivePath); ++waited) {
                WaitForNextSecond();
                archivePath = stem + ArchiveTimestamp(CurrentLocalTime()) + ".RZZ";
            }

            RemoveAbandonedTemporaries(m_run, archivePath, targetFolder);
            for (const auto& path : m_run.ArchiveFileList) {
                if (const auto facts = FileSystem::EntryFactsOf(path))
                    file.size += facts->size;
            }
            file.writer = GetComponents().CreateArchiveWriter();
            file.writer->SetArchiveName(archivePath);
            for (const auto& path : m_run.ArchiveFileList)
                file.writer->AddFile(path);
            file.targetFolder = targetFolder;
            file.archivePath = archivePath;
            file.begun = true;
        } catch (...) {
            file.failure = std::current_exception();
        }
    }

    bool NameTakenByThisRun(const std::string& archivePath) const
    {
        return m_run.Written.Contains(archivePath) ||
               std::any_of(m_files.begin(), m_files.end(),
                           [&](const auto& file) { return file->archivePath == archivePath; });
    }

    void BuildLive(DataFile& file)
    {
        file.liveProgress = true;
        m_run.Progress().DataFileStarted(file.name, file.size);
        file.writer->SetBlockObserver([this, &file](std::uint64_t bytes) {
            file.bytesRead += bytes;
            m_run.Progress().BytesRead(bytes);
            return !m_run.CancelRequested();
        });
        Build(file);
        file.built = true;
    }

    void Build(DataFile& file)
    {
        try {
            if (m_run.CancelRequested())
                Raise(ErrorNumber::UserInterrupt, kProgramErrorSource);
            file.writer->Build();
        } catch (...) {
            file.failure = std::current_exception();
        }
    }

    void StartHelpers()
    {
        if (!m_threads.empty())
            return;
        for (unsigned i = 0; i < m_helpers; ++i)
            m_threads.emplace_back([this] { Help(); });
    }

    void Help()
    {
        for (;;) {
            DataFile* file = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_work.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
                if (m_stopping)
                    return;
                file = m_queue.front();
                m_queue.pop_front();
            }
            file->writer->SetBlockObserver([this, file](std::uint64_t bytes) {
                file->bytesRead += bytes;
                return !m_run.CancelRequested();
            });
            Build(*file);
            {
                const std::lock_guard lock(m_mutex);
                file->built = true;
            }
            m_built.notify_one(); // the run's thread, the only one that waits for it
        }
    }

    // Commits the oldest data file, once built, with every one built right after it.
    void CommitBuilt()
    {
        std::size_t count = 0;
        {
            std::unique_lock lock(m_mutex);
            m_built.wait(lock, [this] { return m_files.front()->built; });
            while (count < m_files.size() && m_files[count]->built)
                ++count;
        }

        // Each archive is named; then each folder is synced once.
        std::vector<std::string> folders;
        for (std::size_t i = 0; i < count; ++i) {
            DataFile& file = *m_files[i];
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
            const auto named = std::find_if(m_files.begin(), m_files.begin() + count, [&](const auto& file) {
                return file->named && file->targetFolder == folder;
            });
            try {
                ArchiveWriter::SyncFolderOf((*named)->archivePath);
            } catch (...) {
                // The archives are in place, but their names may not survive a crash.
                const auto failure = std::current_exception();
                for (std::size_t i = 0; i < count; ++i) {
                    if (m_files[i]->named && m_files[i]->targetFolder == folder)
                        m_files[i]->failure = failure;
                }
            }
        }

        // Every archive of the batch is the run's own before any series is
        // pruned: the listings must show each once, and no pruning may count
        // or delete one that is merely waiting for its turn to be reported.
        for (std::size_t i = 0; i < count; ++i) {
            const DataFile& file = *m_files[i];
            if (!file.named || file.failure)
                continue;
            m_run.Written.Remember(file.archivePath);
            m_run.Listings.ArchiveAdded(file.targetFolder, file.archivePath.substr(file.targetFolder.size()));
        }
        for (std::size_t i = 0; i < count; ++i) {
            Report(*m_files.front());
            m_files.pop_front();
        }
    }

    void Report(DataFile& file)
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
            if (!file.named)
                return;
            ++m_run.Outcome.ArchivesWritten;
            FileSystem::InvalidateCache(file.targetFolder);
            if (m_run.KeepLastCount > 0)
                PruneArchives(m_run, file.archivePath, file.targetFolder, m_run.KeepLastCount);
            written = true;
        });
        m_run.Progress().DataFileFinished(written);
    }

    // An archive already named when the run was cancelled goes again: the
    // run keeps the archives of the data files it reported finished, no other.
    static void TakeBack(const DataFile& file)
    {
        if (!file.named)
            return;
        try {
            FileSystem::DeleteFile(file.archivePath);
        } catch (const RuntimeError&) {
            // Complete and synced: left, it costs nothing but room.
        }
    }

    RunContext& m_run;
    const bool m_overlap;
    const unsigned m_helpers;
    std::deque<std::unique_ptr<DataFile>> m_files; // in order, until reported

    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_built;
    std::deque<DataFile*> m_queue; // waiting for a helper
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace

void ArchiveApplication(RunContext& run, std::string sourceFolder, std::string targetFolder, std::string fileName)
{
    ArchivePipeline pipeline(run, false);
    pipeline.Add(sourceFolder, targetFolder, fileName);
    pipeline.CommitAll();
}

void ArchiveDataFiles(RunContext& run, const std::string& sourceFolder, const std::string& targetFolder,
                      const std::vector<std::string>& fileNames)
{
    ArchivePipeline pipeline(run, fileNames.size() > 1);
    for (const auto& name : fileNames) {
        if (run.CancelRequested())
            break;
        pipeline.Add(sourceFolder, targetFolder, name);
    }
    pipeline.CommitAll();
}

} // namespace ze6::modDAZadaro
