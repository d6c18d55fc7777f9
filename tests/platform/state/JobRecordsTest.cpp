#include "platform/state/JobRecords.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ze6 {
namespace {

class JobRecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_state.isValid());
        const char* old = std::getenv("XDG_STATE_HOME");
        m_oldState = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_STATE_HOME", m_state.path().toStdString().c_str(), 1);
    }
    void TearDown() override
    {
        if (m_oldState)
            ::setenv("XDG_STATE_HOME", m_oldState->c_str(), 1);
        else
            ::unsetenv("XDG_STATE_HOME");
    }

    std::filesystem::path Folder() const { return m_state.path().toStdString() + "/ZE6Vivevu/jobs"; }
    std::vector<std::filesystem::path> FilesEndingIn(const std::string& ending) const
    {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(Folder())) {
            const std::string name = entry.path().filename().string();
            if (name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
                found.push_back(entry.path());
        }
        return found;
    }

    // One run: each job is "line" or "!line" for one that logged an entry.
    static JobRunList Run(std::int64_t at, const std::vector<std::string>& jobs)
    {
        JobRunList runs;
        for (const std::string& job : jobs) {
            const bool failed = job.front() == '!';
            const std::size_t row = runs.Begin(at);
            runs.SetLine(row, failed ? job.substr(1) : job);
            runs.Open(row).endMs = at + 5;
            runs.Open(row).archivesWritten = failed ? 0 : 1;
            if (failed) {
                runs.Open(row).entries = 1;
                runs.SetFirstEntry(row, "ERROR: target\tgone");
            }
            runs.End(row);
        }
        return runs;
    }

    static qint64 EndOf(const std::optional<JobRun>& run) { return run ? run->end.toMSecsSinceEpoch() : -1; }

    const std::string m_file = "/rz/nightly.rzb";

private:
    QTemporaryDir m_state;
    std::optional<std::string> m_oldState;
};

// The run of the same jobs rewrites the runs alone; any other list of jobs
// merges into the records. Either way a failure keeps the success before it,
// and a job that did not run keeps what it had.
TEST_F(JobRecordsTest, AFailedRunKeepsTheSuccessBeforeItWhetherOrNotTheJobsChanged)
{
    const std::string odd = "\"/rz/a\\b\tc/\" \"/out/\"";
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(1000, {"A", odd})).failure.empty());
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(2000, {"A", "!" + odd})).failure.empty());
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(3000, {"C"})).failure.empty());
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(4000, {"!" + odd, "!C"})).failure.empty());

    JobRecordsReport report;
    const JobRecordFile records = ReadJobRecords(m_file, report);
    EXPECT_TRUE(report.setAside.empty());
    ASSERT_EQ(records.jobs.size(), 3U);
    EXPECT_EQ(records.jobs[0].line, "A");
    EXPECT_EQ(records.jobs[1].line, odd);
    EXPECT_EQ(records.jobs[2].line, "C");

    EXPECT_EQ(EndOf(records.jobs[0].lastRun), 2005);
    EXPECT_EQ(EndOf(records.jobs[0].lastSuccess), 2005);
    EXPECT_EQ(records.jobs[0].lastRun->archivesWritten, 1);

    const JobRecord& failing = records.jobs[1];
    EXPECT_EQ(EndOf(failing.lastRun), 4005);
    EXPECT_EQ(failing.lastRun->entries, 1);
    EXPECT_EQ(failing.lastRun->firstEntry, "ERROR: target\tgone");
    EXPECT_EQ(EndOf(failing.lastSuccess), 1005);
    EXPECT_EQ(failing.lastSuccess->line, odd);

    EXPECT_EQ(EndOf(records.jobs[2].lastSuccess), 3005);
    EXPECT_FALSE(records.jobs[2].lastRun->Clean());

    // The job lines of the last list alone are kept.
    EXPECT_EQ(FilesEndingIn(".lines").size(), 1U);
}

// A row the same as the one before it is written short, in the usual run
// and in a merge alike: each job still reads back its own numbers, a failed
// run between two same rows parts them (D's row is not C's), and a runs file of the layout
// before, every row written out, is read as it is.
TEST_F(JobRecordsTest, EveryJobKeepsItsOwnNumbersWhenRowsAreTheSame)
{
    const std::vector<std::string> jobs = {"A", "B", "C", "D", "E"};
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(1000, jobs)).failure.empty());
    const auto rerun = [&](const std::vector<std::string>& lines) {
        JobRunList runs;
        runs.ExpectLinesOf(m_file);
        for (std::size_t n = 0; n < lines.size(); ++n) {
            const std::size_t row = runs.Begin(2000);
            runs.SetLine(row, lines[n]);
            runs.Open(row).endMs = 2000;
            runs.Open(row).archivesWritten = n == 4 ? 2 : 1;
            runs.Open(row).bytesWritten = n == 4 ? 8 : 7;
            if (n == 2) {
                runs.Open(row).entries = 1;
                runs.SetFirstEntry(row, "ERROR: gone");
            }
            runs.End(row);
        }
        ASSERT_TRUE(UpdateJobRecords(m_file, runs).failure.empty());
    };
    const auto check = [&](std::size_t count) {
        JobRecordsReport report;
        const JobRecordFile records = ReadJobRecords(m_file, report);
        EXPECT_TRUE(report.setAside.empty());
        ASSERT_EQ(records.jobs.size(), count);
        for (std::size_t n = 0; n < jobs.size(); ++n) {
            EXPECT_EQ(records.jobs[n].lastRun->archivesWritten, n == 4 ? 2 : 1) << n;
            EXPECT_EQ(records.jobs[n].lastRun->bytesWritten, n == 4 ? 8U : 7U) << n;
            EXPECT_EQ(EndOf(records.jobs[n].lastSuccess), n == 2 ? 1005 : 2000) << n;
        }
    };
    rerun(jobs);
    check(jobs.size());

    const std::filesystem::path runsFile = FilesEndingIn(".records").at(0);
    std::string text;
    {
        std::ifstream in(runsFile, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    // B's row is A's, and it alone is written short.
    const std::size_t same = text.find("\n=\n");
    ASSERT_NE(same, std::string::npos);
    EXPECT_EQ(text.find("\n=\n", same + 1), std::string::npos);
    const std::size_t before = text.rfind('\n', same - 1) + 1;
    EXPECT_EQ(text.substr(before, same - before), "2000\t0\t0\t0\t1\t0\t7\t\t-");
    // Every row written out, as the layout before wrote them.
    text.replace(same + 1, 1, text.substr(before, same - before));
    text.replace(text.find("records 3"), 9, "records 2");
    std::ofstream(runsFile, std::ios::binary | std::ios::trunc) << text;
    check(jobs.size());

    rerun({"A", "B", "C", "D", "E", "F"});
    check(jobs.size() + 1);
}

TEST_F(JobRecordsTest, RecordsThatDoNotHangTogetherAreSetAsideNotTrusted)
{
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(1000, {"A", "B"})).failure.empty());
    const auto lines = FilesEndingIn(".lines");
    ASSERT_EQ(lines.size(), 1U);

    // A job line changed by hand no longer matches the runs beside it.
    {
        std::fstream edit(lines.front(), std::ios::in | std::ios::out);
        std::string text((std::istreambuf_iterator<char>(edit)), {});
        text.replace(text.find("\nB\n"), 3, "\nX\n");
        edit.seekp(0);
        edit << text;
    }
    JobRecordsReport report;
    EXPECT_TRUE(ReadJobRecords(m_file, report).jobs.empty());
    ASSERT_EQ(report.setAside.size(), 1U);
    EXPECT_NE(report.setAside.front().second.find(".records.damaged-"), std::string::npos);

    // What comes after starts afresh, and a lines file gone is damage too.
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(2000, {"A"})).failure.empty());
    JobRecordsReport fresh;
    ASSERT_EQ(ReadJobRecords(m_file, fresh).jobs.size(), 1U);
    EXPECT_TRUE(fresh.setAside.empty());
    for (const auto& file : FilesEndingIn(".lines"))
        std::filesystem::remove(file);
    JobRecordsReport gone;
    EXPECT_TRUE(ReadAllJobRecords(gone).empty());
    EXPECT_EQ(gone.setAside.size(), 1U);
}

// Records of the first layout, one file with each job's line beside its runs
// and ends as times, are read as they stand and kept by the next update.
TEST_F(JobRecordsTest, RecordsOfTheFirstLayoutAreKept)
{
    std::filesystem::create_directories(Folder());
    const std::string former = "ZE6Vivevu job records 1\nfile\t\n"
                               "job\tOLD\t5000\t5600\t1\t0\t0\t0\t0\tERROR: gone\t1000\t1300\t0\t0\t2\t0\t9\t\n"
                               "end\t1\n";
    std::ofstream(Folder() / "command-line.records") << former;
    ASSERT_TRUE(UpdateJobRecords("", Run(7000, {"NEW"})).failure.empty());

    JobRecordsReport report;
    const JobRecordFile records = ReadJobRecords("", report);
    EXPECT_TRUE(report.setAside.empty());
    ASSERT_EQ(records.jobs.size(), 2U);
    EXPECT_EQ(records.jobs[0].line, "OLD");
    EXPECT_EQ(EndOf(records.jobs[0].lastRun), 5600);
    EXPECT_EQ(records.jobs[0].lastRun->firstEntry, "ERROR: gone");
    EXPECT_EQ(EndOf(records.jobs[0].lastSuccess), 1300);
    EXPECT_EQ(records.jobs[0].lastSuccess->bytesWritten, 9U);
    EXPECT_EQ(EndOf(records.jobs[1].lastRun), 7005);
}

// A run's list packs each ended row and takes the lines that match the
// records from their file: rows across packing blocks and checkpoints, lines
// across the pieces it reads and past the first that differs, come back as
// they were put, one by one and in order.
TEST_F(JobRecordsTest, AListOfManyJobsGivesBackEachRowAsItWasPut)
{
    constexpr std::size_t kJobs = 6000;
    const auto line = [](std::size_t n, bool edited) {
        return "\"/rz/data/LEDGER" + std::to_string(n) + ".RZT\" \"/backup/\" KEEPLAST:" +
               std::to_string(n % 9 + 1) + (edited ? " IFCHANGED" : "");
    };
    std::vector<std::string> before;
    for (std::size_t n = 0; n < kJobs; ++n)
        before.push_back(line(n, false));
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(1000, before)).failure.empty());

    JobRunList runs;
    runs.ExpectLinesOf(m_file);
    std::vector<JobRun> put;
    std::int64_t at = 1'796'732'481'914;
    for (std::size_t n = 0; n < kJobs; ++n) {
        JobRun job;
        job.line = line(n, n >= kJobs - 100 || n == 4000);
        const std::size_t row = runs.Begin(at);
        runs.SetLine(row, job.line);
        JobRunList::Row& numbers = runs.Open(row);
        numbers.endMs = at + static_cast<std::int64_t>(n % 7 == 0 ? 86'400'000 : n % 3);
        // Every third job wrote nothing, as most jobs of a night.
        const bool wrote = n % 3 != 1;
        numbers.entries = n % 50 == 0 ? 3 : 0;
        numbers.archivesWritten = wrote ? static_cast<int>(n % 1000) : 0;
        numbers.dataFilesUnchanged = wrote ? static_cast<int>(n % 13) : 0;
        numbers.bytesWritten = wrote ? (std::uint64_t{1} << (n % 48)) + n : 0;
        numbers.rejected = n % 777 == 0;
        if (!numbers.Clean())
            runs.SetFirstEntry(row, "ERROR " + std::to_string(n));
        job.start = QDateTime::fromMSecsSinceEpoch(at, Qt::UTC);
        job.end = QDateTime::fromMSecsSinceEpoch(numbers.endMs, Qt::UTC);
        job.entries = numbers.entries;
        job.archivesWritten = numbers.archivesWritten;
        job.dataFilesUnchanged = numbers.dataFilesUnchanged;
        job.bytesWritten = numbers.bytesWritten;
        job.rejected = numbers.rejected;
        job.firstEntry = numbers.Clean() ? "" : "ERROR " + std::to_string(n);
        put.push_back(job);
        // A clock set back now and then.
        at = n % 500 == 499 ? at - 3'600'000 : numbers.endMs;
        if (n + 1 < kJobs && n % 2 == 0)
            continue; // ends with the next, as jobs whose archives are still made
        for (std::size_t ended = row + 1 - (n % 2 == 0 ? 1 : 2); ended <= row; ++ended)
            runs.End(ended);
    }
    const auto same = [](const JobRun& a, const JobRun& b) {
        return a.line == b.line && a.start == b.start && a.end == b.end && a.entries == b.entries &&
               a.firstEntry == b.firstEntry && a.rejected == b.rejected && a.archivesWritten == b.archivesWritten &&
               a.dataFilesUnchanged == b.dataFilesUnchanged && a.bytesWritten == b.bytesWritten;
    };
    ASSERT_EQ(runs.size(), kJobs);
    for (const std::size_t row : {std::size_t{0}, std::size_t{15}, std::size_t{16}, std::size_t{2999},
                                  std::size_t{4000}, std::size_t{4001}, kJobs - 101, kJobs - 1})
        EXPECT_TRUE(same(runs.Run(row), put[row])) << "row " << row;
    std::size_t visited = 0;
    runs.ForEach(JobRunList::Lines::With, [&](std::size_t row, const JobRunList::View& view) {
        EXPECT_EQ(row, visited++);
        EXPECT_EQ(view.line, put[row].line) << "row " << row;
        EXPECT_EQ(view.row.bytesWritten, put[row].bytesWritten) << "row " << row;
        EXPECT_EQ(view.row.endMs, put[row].end.toMSecsSinceEpoch()) << "row " << row;
        EXPECT_EQ(view.firstEntry, put[row].firstEntry) << "row " << row;
    });
    EXPECT_EQ(visited, kJobs);
    EXPECT_FALSE(runs.AllClean());

    // The changed lines go through the merge, which reads the lines taken
    // from the records' file.
    ASSERT_TRUE(UpdateJobRecords(m_file, runs).failure.empty());
    JobRecordsReport report;
    const JobRecordFile records = ReadJobRecords(m_file, report);
    ASSERT_EQ(records.jobs.size(), kJobs + 101);
    EXPECT_EQ(records.Find(put[4000].line)->lastRun->firstEntry, "ERROR 4000");
    EXPECT_EQ(records.Find(put[3999].line)->lastRun->bytesWritten, put[3999].bytesWritten);
}

// What tells the jobs of a run from those the records hold must not depend
// on how many of its lines were found in the records.
TEST_F(JobRecordsTest, ARunsJobsAreToldApartAsWellWhenTheirLinesComeFromTheRecords)
{
    const std::vector<std::string> stored = {"a", "b", "c", "d", "e"};
    ASSERT_TRUE(UpdateJobRecords(m_file, Run(1000, stored)).failure.empty());
    std::string file = m_file;
    const auto hash = [&](const std::vector<std::string>& lines, bool expecting) {
        JobRunList runs;
        if (expecting)
            runs.ExpectLinesOf(file);
        for (const std::string& line : lines) {
            const std::size_t row = runs.Begin(2000);
            runs.SetLine(row, line);
            runs.End(row);
        }
        return runs.LinesHash();
    };
    for (const std::vector<std::string>& lines : std::vector<std::vector<std::string>>{
             stored, {"a", "b"}, {"a", "b", "c", "d", "e", "f"}, {"a", "b", "C", "d", "e"}, {"a", "x\ty", "c"}, {"b"}, {}})
        EXPECT_EQ(hash(lines, true), hash(lines, false)) << lines.size() << " lines";
    EXPECT_NE(hash({"a", "b"}, true), hash(stored, true));

    // A line as another is stored escaped has the same bytes, not the same text.
    const std::vector<std::string> tab = {"a", "x\ty"}, escaped = {"a", "x\\ty"};
    file = "/rz/tabs.rzb";
    ASSERT_TRUE(UpdateJobRecords(file, Run(3000, tab)).failure.empty());
    EXPECT_EQ(hash(escaped, true), hash(escaped, false));
    EXPECT_NE(hash(escaped, true), hash(tab, false));
}

} // namespace
} // namespace ze6
