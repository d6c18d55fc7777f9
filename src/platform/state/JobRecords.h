#pragma once

#include <QDateTime>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
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

// The jobs of one run as it gathers them: a row of numbers each, their lines
// side by side in one buffer, and a first entry only for the jobs that have
// one, so that a file of ten thousand jobs costs its run next to nothing.
class JobRunList {
public:
    struct Row {
        std::int64_t startMs = 0, endMs = 0; // since the epoch
        std::uint64_t bytesWritten = 0;
        int entries = 0;
        int archivesWritten = 0;
        int dataFilesUnchanged = 0;
        bool rejected = false;
        bool Clean() const { return entries == 0 && !rejected; }
    };

    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }

    // A new job, which begins at startMs; returns its row.
    std::size_t Begin(std::int64_t startMs);
    // Once for each row, in their order.
    void SetLine(std::size_t row, std::string_view line);
    void SetFirstEntry(std::size_t row, std::string entry);
    Row& At(std::size_t row) { return m_rows[row].row; }
    const Row& At(std::size_t row) const { return m_rows[row].row; }
    std::string_view Line(std::size_t row) const;
    std::string_view FirstEntry(std::size_t row) const;
    // The job of the row as a value of its own.
    JobRun Run(std::size_t row) const;
    // Of the lines set so far, in their order: what tells this run's jobs
    // from another list of jobs.
    std::uint64_t LinesHash() const { return m_linesHash; }

private:
    struct Entry {
        Row row;
        std::uint32_t lineBlock = 0, lineFrom = 0, lineSize = 0;
        std::uint32_t firstEntry = 0; // 1 + its index in m_firstEntries, 0 for none
    };
    // Neither grows by copying what it holds: a run of many jobs is spared
    // the copies and the fresh pages of a vector's growth.
    std::deque<Entry> m_rows;
    std::vector<std::string> m_lineBlocks;
    std::vector<std::string> m_firstEntries;
    std::uint64_t m_linesHash = 0;
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

// The records live in $XDG_STATE_HOME/ZE6Vivevu/jobs/, two files per
// configuration file: its job lines, which change only when its jobs do, and
// the runs of those jobs row by row, which every run replaces. Every change
// is a read, a merge and an atomic replacement under one lock, so two runs
// that end together both keep theirs. Records that cannot be read are set
// aside (kept for a person to look at) and the jobs they held count as never run.

// False when ZE6VIVEVU_NO_JOB_RECORDS is set: a run then neither gathers nor
// keeps its jobs' records, for measuring what they cost.
bool JobRecordsWanted();

// Merges the runs into the file's records: each replaces its job's last run,
// and its last success when clean.
JobRecordsReport UpdateJobRecords(const std::string& file, const JobRunList& runs);

JobRecordFile ReadJobRecords(const std::string& file, JobRecordsReport& report);
// Every record file, in the order of the files' paths (the command line's first).
std::vector<JobRecordFile> ReadAllJobRecords(JobRecordsReport& report);

} // namespace ze6
