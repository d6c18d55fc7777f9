#pragma once

#include "engine/Job.h"
#include "platform/process/WorkerPool.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace ze6::modDAZadaro {

class RunContext;
struct PipelineItem;

// Data files go in and come out in order: each is prepared (its files
// collected, its archive named) on the run's thread, built on a helper
// thread, and committed on the run's thread, where the log, the progress
// sink, the listings and pruning are used as if each data file had been
// archived alone. Nothing of a series is pruned before its new archive is
// synced, named and its folder synced; a cancelled run keeps no archive of
// the data file in hand, and says nothing of those after it.
//
// One pipeline serves a whole run, so the one-file jobs of a configuration
// file overlap as the data files of one folder job do. Whatever else a job
// tells the log or the sink must either go in as an event, or wait for
// CommitAll: then it comes after what the data files before it said.
class ArchivePipeline final {
public:
    explicit ArchivePipeline(RunContext& run);
    ~ArchivePipeline();
    ArchivePipeline(const ArchivePipeline&) = delete;
    ArchivePipeline& operator=(const ArchivePipeline&) = delete;

    // One data file, archived into targetFolder (as TargetFolderOf gives it)
    // and its series pruned there by the job's retention rules. With
    // ifChanged a data file whose files match its newest archive gets none,
    // and its series is pruned all the same.
    void Add(const std::string& sourceFolder, const std::string& targetFolder, const std::string& fileName,
             const RetentionRules& retention, bool ifChanged = false);
    // Called on the run's thread once every data file added before it is reported.
    // Mostly nothing is pending, and the event runs at once, unwrapped: a
    // file of ten thousand jobs has two of them a job.
    template <typename Event>
    void AddEvent(Event&& event)
    {
        if (m_items.empty())
            event();
        else
            Queue(std::function<void()>(std::forward<Event>(event)));
    }
    // Reports everything added so far.
    void CommitAll();

private:
    void Queue(std::function<void()> event);
    void Prepare(PipelineItem& file, const std::string& targetFolder);
    bool NameTakenByThisRun(const std::string& archivePath) const;
    void BuildLive(PipelineItem& file);
    void Build(PipelineItem& file);
    void BuildOverlapped(PipelineItem& file);
    bool Built(const PipelineItem& item) const;
    void CommitBuilt();
    void Report(PipelineItem& file);

    RunContext& m_run;
    const unsigned m_helpers;
    std::deque<std::unique_ptr<PipelineItem>> m_items; // in order, until reported
    ze6::WorkerGroup m_helping; // last: its tasks use the items
};

} // namespace ze6::modDAZadaro
