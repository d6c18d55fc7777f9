#pragma once

#include "platform/state/JobRecords.h"

#include <QDateTime>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace ze6 {
class ProcessRunner;
class Scheduler;
} // namespace ze6

namespace ze6::modDAZadaro {

enum class JobState { Ok, Failed, Overdue, Never };

// "ok", "failed", "overdue", "never".
const char* StateWord(JobState state);

struct JobStatus {
    JobState state = JobState::Never;
    std::string file; // absolute path, or empty for a job line given on the command line
    std::string line;
    std::optional<JobRun> lastRun, lastSuccess;
};

// Since when the jobs of a file scheduled at `when` must have succeeded: the
// schedule's last due time that lies more than an hour before now, which
// leaves a run that is under way, or was held up briefly, its time.
std::optional<QDateTime> SucceededSince(ProcessRunner& runner, const std::string& when, const QDateTime& now);

// A job's state from its record (nullptr: none) and its file's due time.
JobState StateOf(const JobRecord* record, const std::optional<QDateTime>& succeededSince);

// The lines of `file` with their states, in the order given.
std::vector<JobStatus> StatusOfLines(const JobRecordFile& records, const std::vector<std::string>& lines,
                                     const std::optional<QDateTime>& succeededSince);

// The job lines of a configuration file as a run of it takes them, in file
// order. Raises RuntimeError when the file cannot be read.
std::vector<std::string> ConfigurationJobLines(const std::string& path);

// The jobs of a configuration file with their states, its schedule looked up
// with `scheduler` (may be nullptr: no schedule).
std::vector<JobStatus> StatusOfFile(const std::string& file, const std::vector<std::string>& lines,
                                    Scheduler* scheduler, ProcessRunner& runner);

// "2 backup jobs have not succeeded since 2026-12-01 22:00", naming the
// failed and overdue jobs and the oldest of their last successes; nothing
// when none is failed or overdue.
std::optional<std::string> BehindText(const std::vector<JobStatus>& statuses);

// Adds the runs to the records of `file` (empty: the command line). What
// keeps them out, and a damaged record file, go to the log without counting
// as the run's entries.
void RecordJobRuns(const std::string& file, const JobRunList& runs);

// RecordJobRuns for the end of a command run, on a thread of its own: the
// records are written while the run's other state is, and Finish (or the
// destructor) waits for them; Finish logs their problems on the caller's
// thread. `runs` must outlive it.
class JobRunRecording final {
public:
    JobRunRecording(std::string file, const JobRunList& runs);
    JobRunRecording(const JobRunRecording&) = delete;
    JobRunRecording& operator=(const JobRunRecording&) = delete;
    ~JobRunRecording();
    void Finish();

private:
    std::string m_file;
    const JobRunList& m_runs;
    std::future<JobRecordsReport> m_report;
    bool m_pending = false;
};

// The command-line switches; each returns the exit status: 0 when every job
// is ok, 1 otherwise, 2 for a wrong operand.
int StatusSwitch(const std::vector<std::string>& operands);
int CheckSwitch(const std::vector<std::string>& operands);

// After a scheduled run of `file`: when the file has a schedule, the check that
// /CHECK makes. A run that has told of its own failures raises no second
// notification for them alone.
void CheckAfterScheduledRun(const std::string& file, bool toldOfItsOwn);

} // namespace ze6::modDAZadaro
