#pragma once

#include <QDateTime>
#include <cstdint>
#include <memory>
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

// The jobs of one run as it gathers them. A job that has ended is packed into
// a few bytes, its line is taken from the records when they hold the same
// one in the same row, and a first entry is kept only for the jobs that have
// one: a file of ten thousand jobs costs its run next to no fresh memory.
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
        bool operator==(const Row&) const = default;
    };
    // A row with its texts, which hold while the list is not changed.
    struct View {
        Row row;
        std::string_view line, firstEntry;
    };

    std::size_t size() const { return m_ended + m_open.size() - m_openHead; }
    bool empty() const { return size() == 0; }

    // Lines that equal those the records of `file` hold for the same rows
    // are then taken from the records' own file rather than held again.
    void ExpectLinesOf(const std::string& file);
    // A new job, which begins at startMs; returns its row.
    std::size_t Begin(std::int64_t startMs)
    {
        m_open.emplace_back().row.startMs = startMs;
        return size() - 1;
    }
    // Of a row begun and not yet ended, the line once and the first entry
    // when it has one; the row holds until the next Begin or End.
    Row& Open(std::size_t row);
    void SetLine(std::size_t row, std::string_view line);
    void SetFirstEntry(std::size_t row, std::string entry);
    // Rows end in the order they began; an ended row no longer changes.
    void End(std::size_t row);

    Row At(std::size_t row) const { return EntryOf(row).row; }
    // The job of the row as a value of its own.
    JobRun Run(std::size_t row) const;
    // Every row in order, each unpacked once; without the lines, the views'
    // lines are empty. False when a line taken from the records' file could
    // not be read back: the views' lines are then not all to be trusted.
    enum class Lines { With, Without };
    template <typename Visit> bool ForEach(Lines lines, Visit&& visit) const;
    bool AllClean() const;
    // Of the lines set so far, in their order: what tells this run's jobs
    // from another list of jobs.
    std::uint64_t LinesHash() const;

private:
    struct ExpectedLines;
    struct Entry {
        Row row;
        std::uint32_t lineBlock = 0; // 0: none; kExpectedBlock: in the records; else 1 + its block
        std::uint32_t lineFrom = 0, lineSize = 0;
        std::uint32_t firstEntry = 0; // 1 + its index in m_firstEntries, 0 for none
    };
    // Where unpacking may begin: every kCheckpointRows rows.
    struct Checkpoint {
        std::uint32_t block = 0, offset = 0;
        std::int64_t startMs = 0, lineEnd = 0;
        std::uint32_t lineBlock = 0;
    };
    static constexpr std::uint32_t kExpectedBlock = UINT32_MAX;
    static constexpr std::size_t kCheckpointRows = 16;

    // Lines of the records' file, read a piece at a time for rows taken in
    // their order, or one alone.
    class LineReader {
    public:
        explicit LineReader(std::size_t piece) : m_piece(piece) {}
        // `size` bytes from `from` on; fewer where the file ends or cannot be read.
        std::string_view Line(const ExpectedLines& lines, std::uint64_t from, std::size_t size)
        {
            if (from >= m_at && from + size <= m_at + m_buffer.size())
                return std::string_view(m_buffer.data() + (from - m_at), size);
            return Read(lines, from, size);
        }
        // Whether a line could not be read whole.
        bool Failed() const { return m_failed; }
        // Whether the piece the last line came from holds no backslash,
        // which tells of every line in it at once.
        bool PiecePlain() const { return m_piecePlain; }

    private:
        std::string_view Read(const ExpectedLines& lines, std::uint64_t from, std::size_t size);
        std::size_t m_piece;
        bool m_failed = false;
        bool m_piecePlain = false;
        std::string m_buffer;
        std::uint64_t m_at = 0;
    };
    static constexpr std::size_t kExpectedPiece = 32 * 1024;

    // Where the line after the last one packed begins when it follows it: the
    // records' lines file ends each with a newline, the run's own blocks do not.
    static std::int64_t NextLineFrom(const Checkpoint& state)
    {
        return state.lineEnd + (state.lineBlock == kExpectedBlock ? 1 : 0);
    }
    void Pack(const Entry& entry);
    Entry Unpack(std::size_t block, std::size_t& offset, Checkpoint& state) const;
    Entry EntryOf(std::size_t row) const;
    View ViewOf(const Entry& entry, LineReader* lines) const;
    // Of the lines taken from the records from the first row on.
    std::uint64_t HashTakenLines() const;

    // Blocks of ended rows, each as long as it is filled but the last,
    // which is filled up to m_packState.offset.
    std::vector<std::string> m_packed;
    std::vector<Checkpoint> m_checkpoints;
    Checkpoint m_packState;            // after the last ended row
    std::size_t m_ended = 0;
    std::size_t m_unclean = 0;         // of the ended rows
    Entry& OpenEntry(std::size_t row) { return m_open[m_openHead + row - m_ended]; }
    std::vector<Entry> m_open;         // from m_openHead on: begun, not yet ended
    std::size_t m_openHead = 0;
    std::vector<std::string> m_lineBlocks;
    std::vector<std::string> m_firstEntries;
    std::uint64_t m_linesHash = 0;   // of the lines so far, once m_unhashedRows is 0
    std::size_t m_unhashedRows = 0;   // the first rows, their lines taken from the records, not yet hashed
    bool m_takenPlain = true;         // none of them holds a backslash
    std::uint64_t m_expectedHash = 0; // that names the records' lines file
    std::shared_ptr<const ExpectedLines> m_expected;
    std::uint64_t m_expectAt = 0; // where the next row's line is expected in m_expected
    LineReader m_expectReader{kExpectedPiece};
};

template <typename Visit> bool JobRunList::ForEach(Lines withLines, Visit&& visit) const
{
    LineReader reader(kExpectedPiece);
    LineReader* const lines = withLines == Lines::With ? &reader : nullptr;
    Checkpoint state;
    std::size_t block = 0, offset = 0;
    for (std::size_t row = 0; row < m_ended; ++row) {
        if (offset >= m_packed[block].size()) {
            ++block;
            offset = 0;
        }
        visit(row, ViewOf(Unpack(block, offset, state), lines));
    }
    for (std::size_t row = m_ended; row < size(); ++row)
        visit(row, ViewOf(m_open[m_openHead + row - m_ended], lines));
    return !reader.Failed();
}

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
