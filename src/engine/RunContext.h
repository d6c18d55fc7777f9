#pragma once

#include "engine/RunProgress.h"
#include "engine/TargetFolderListings.h"
#include "engine/WrittenArchives.h"
#include "platform/files/FolderIndex.h"
#include "platform/process/Clock.h"

#include <QDateTime>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace ze6 {
class Clock;
class Components;
class Prompt;
} // namespace ze6

namespace ze6::modDAZadaro {

class ArchivePipeline;
class RemoteTargets;

// Everything one run knows: a configuration file, a single job line, or the
// window's Execute. The engine's procedures take it explicitly, so nothing of
// a run outlives it and a run can go to another thread. Only RequestCancel
// may be called from another thread while the run goes on.
class RunContext final {
public:
    // services, progress and prompt are not owned; nullptr gives no progress
    // and the prompt of the services. Without services the run uses the
    // process's components.
    explicit RunContext(ProgressSink* progress = nullptr, Prompt* prompt = nullptr);
    explicit RunContext(Components& services, ProgressSink* progress = nullptr, Prompt* prompt = nullptr);
    ~RunContext();
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    // What the run knows of its target folders.
    TargetFolderListings Listings;
    WrittenArchives Written;
    RunOutcome Outcome;

    // What the run creates its outside components from (writers, readers,
    // the log), and its clock.
    Components& Services() { return m_services; }
    Clock& GetClock();

    ProgressSink& Progress() { return m_progress ? *m_progress : m_noProgress; }
    // Where the run's message boxes go (the usage box of a rejected line).
    Prompt& GetPrompt();

    // Where the run's data files go on their way to their archives.
    ArchivePipeline& Pipeline();
    // The run's rclone helper, staging folder and remote listings.
    RemoteTargets& Remote();
    // Null until something of the run asked for Remote().
    const RemoteTargets* RemoteInUse() const { return m_remote.get(); }
    // Reports every data file added so far; what the run says next comes
    // after them in the log and the sink.
    void CommitArchives();

    void RequestCancel() { m_cancel.store(true, std::memory_order_relaxed); }
    bool CancelRequested() const { return m_cancel.load(std::memory_order_relaxed); }

    // Around each job (of each job line, rejected or not): what the job did
    // is taken from the outcome's counts as its data files are reported, and
    // goes into Outcome.Jobs and the sink. `line` names the job in the records.
    // Nothing is kept when job records are not wanted.
    void BeginJob();
    void EndJob(const std::string& line);
    // The jobs about to run are most likely those the records of `file`
    // (absolute) already hold.
    void ExpectJobsOf(const std::string& file);

    // Starts the run, and ends it: a cancelled run gets one log entry under
    // procName, and the sink hears of the end. Returns what the run did.
    void Start();
    RunOutcome Finish(const std::string& procName);

private:
    // The case-insensitive name lookups of the run share folder listings;
    // first, so that they last until the pipeline's helpers have stopped.
    FolderIndex::Scope m_lookups;
    Components& m_services;
    ProgressSink* m_progress;
    ProgressSink m_noProgress;
    Prompt* m_prompt;
    std::atomic<bool> m_cancel{false};
    // Now in milliseconds since the epoch, to the tenth of a second: a run of
    // thousands of jobs that end within moments of each other asks the clock
    // and the time zone rarely.
    std::int64_t JobTime()
    {
        const std::int64_t now = CoarseMonotonicMs();
        if (m_lastTimeRead >= 0 && now - m_lastTimeRead < 100)
            return m_lastTime;
        return ReadJobTime(now);
    }
    std::int64_t ReadJobTime(std::int64_t now);

    const bool m_keepJobs; // JobRecordsWanted()
    std::size_t m_jobsEnded = 0;
    std::int64_t m_lastTime = 0;
    std::int64_t m_lastTimeRead = -1; // CoarseMonotonicMs()
    RunOutcome m_jobMark; // the counts where the job under way began
    // Goes after the pipeline, whose archives may be staged in it.
    std::unique_ptr<RemoteTargets> m_remote;
    // Last, so its helpers stop before anything they use goes.
    std::unique_ptr<ArchivePipeline> m_pipeline;
};

} // namespace ze6::modDAZadaro
