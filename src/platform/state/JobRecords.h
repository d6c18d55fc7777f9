#pragma once

#include <QDateTime>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ze6 {

// One run of one job, as the run ended it.
struct JobRun {
    std::string line; // the job line as written, which names the job within its file
    QDateTime start, end;
    int entries = 0;        // log entries the job wrote
    std::string firstEntry; // the first of them as the log shows it, or why the line was rejected
    bool rejected = false;  // the line was refused for its syntax and did not run
    int archivesWritten = 0;
    int dataFilesUnchanged = 0; // IFCHANGED data files that matched their newest archive
    std::uint64_t bytesWritten = 0;

    bool Clean() const { return entries == 0 && !rejected; }
};

struct JobRecord {
    std::string line;
    std::optional<JobRun> lastRun;
    std::optional<JobRun> lastSuccess; // the last clean run, which may be the last run
};

// Every job of one configuration file that has run, in the order each first
// ran; `file` is the file's absolute path, or empty for job lines given on
// the command line.
struct JobRecordFile {
    std::string file;
    std::vector<JobRecord> jobs;

    const JobRecord* Find(const std::string& line) const;
};

// What reading or updating the records met: record files too damaged to be
// trusted, renamed aside (from, to), and a failure that kept the update out.
struct JobRecordsReport {
    std::vector<std::pair<std::string, std::string>> setAside;
    std::string failure; // empty when nothing failed
};

// The records live in $XDG_STATE_HOME/ZE6Vivevu/jobs/, one file per
// configuration file. Every change is a read, a merge and an atomic
// replacement under one lock, so two runs that end together both keep theirs.
// A file that cannot be read is set aside (kept for a person to look at) and
// the jobs it held count as never run.

// False when ZE6VIVEVU_NO_JOB_RECORDS is set: a run then neither gathers nor
// keeps its jobs' records, for measuring what they cost.
bool JobRecordsWanted();

// Merges the runs into the file's records: each replaces its job's last run,
// and its last success when clean.
JobRecordsReport UpdateJobRecords(const std::string& file, const std::vector<JobRun>& runs);

JobRecordFile ReadJobRecords(const std::string& file, JobRecordsReport& report);
// Every record file, in the order of the files' paths (the command line's first).
std::vector<JobRecordFile> ReadAllJobRecords(JobRecordsReport& report);

} // namespace ze6
