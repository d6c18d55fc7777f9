#include "engine/RunContext.h"

#include "engine/ArchivePipeline.h"
#include "engine/ErrorHandler.h"
#include "engine/RemoteTarget.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"
#include "platform/process/Clock.h"
#include "platform/state/JobRecords.h"

namespace ze6::modDAZadaro {

RunContext::RunContext(ProgressSink* progress, Prompt* prompt) : RunContext(GetComponents(), progress, prompt)
{
}

RunContext::RunContext(Components& services, ProgressSink* progress, Prompt* prompt)
    : m_services(services), m_progress(progress), m_prompt(prompt), m_keepJobs(JobRecordsWanted())
{
}

RunContext::~RunContext() = default;

ArchivePipeline& RunContext::Pipeline()
{
    if (!m_pipeline)
        m_pipeline = std::make_unique<ArchivePipeline>(*this);
    return *m_pipeline;
}

RemoteTargets& RunContext::Remote()
{
    if (!m_remote)
        m_remote = std::make_unique<RemoteTargets>(m_services, [this] { return CancelRequested(); });
    return *m_remote;
}

void RunContext::CommitArchives()
{
    if (m_pipeline)
        m_pipeline->CommitAll();
}

Prompt& RunContext::GetPrompt()
{
    return m_prompt ? *m_prompt : m_services.GetPrompt();
}

Clock& RunContext::GetClock()
{
    return m_services.GetClock();
}

std::int64_t RunContext::ReadJobTime(std::int64_t now)
{
    m_lastTime = GetClock().NowMs();
    m_lastTimeRead = now;
    return m_lastTime;
}

void RunContext::BeginJob()
{
    if (!m_keepJobs)
        return;
    Outcome.Jobs.Begin(JobTime());
    // The job's counts begin where those of the data files before it end.
    Pipeline().AddEvent([this] {
        m_jobMark.ArchivesWritten = Outcome.ArchivesWritten;
        m_jobMark.DataFilesUnchanged = Outcome.DataFilesUnchanged;
        m_jobMark.EntriesLogged = Outcome.EntriesLogged;
        m_jobMark.LinesRejected = Outcome.LinesRejected;
        m_jobMark.BytesWritten = Outcome.BytesWritten;
        Outcome.JobFirstEntry.clear();
    });
}

void RunContext::ExpectJobsOf(const std::string& file)
{
    if (m_keepJobs)
        Outcome.Jobs.ExpectLinesOf(file);
}

void RunContext::EndJob(const std::string& line)
{
    if (!m_keepJobs)
        return;
    Outcome.Jobs.SetLine(Outcome.Jobs.size() - 1, line);
    // Jobs end in the order they began; the event holds no more than the
    // run, so that ten thousand jobs cost no allocations of their own.
    Pipeline().AddEvent([this] {
        const std::size_t row = m_jobsEnded++;
        JobRunList::Row& job = Outcome.Jobs.Open(row);
        job.endMs = JobTime();
        job.entries = Outcome.EntriesLogged - m_jobMark.EntriesLogged;
        job.rejected = Outcome.LinesRejected > m_jobMark.LinesRejected;
        if (!job.Clean())
            Outcome.Jobs.SetFirstEntry(row, Outcome.JobFirstEntry);
        job.archivesWritten = Outcome.ArchivesWritten - m_jobMark.ArchivesWritten;
        job.dataFilesUnchanged = Outcome.DataFilesUnchanged - m_jobMark.DataFilesUnchanged;
        job.bytesWritten = Outcome.BytesWritten - m_jobMark.BytesWritten;
        Outcome.Jobs.End(row);
        Progress().JobFinished(Outcome.Jobs, row);
    });
}

void RunContext::Start()
{
    Progress().RunStarted();
}

RunOutcome RunContext::Finish(const std::string& procName)
{
    CommitArchives();
    if (CancelRequested()) {
        Outcome.Cancelled = true;
        ReportError(Outcome, procName, "Backup cancelled by the user; archives finished before were kept",
                    ErrorNumber::UserInterrupt, kProgramErrorSource);
    }
    Progress().RunFinished(Outcome);
    // The jobs go to the caller; only the counts stay behind.
    JobRunList jobs = std::move(Outcome.Jobs);
    Outcome.Jobs = JobRunList();
    RunOutcome outcome = Outcome;
    outcome.Jobs = std::move(jobs);
    return outcome;
}

} // namespace ze6::modDAZadaro
