#include "engine/RunContext.h"
#include "EngineTestComponents.h"
#include "engine/JobLine.h"
#include "support/FixedClock.h"
#include "support/TempFolder.h"
#include "support/ZipReader.h"

#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

using Names = std::vector<std::string>;

class RunContextTest : public testing::Test {
protected:
    test::EngineTestComponents components;
    const test::TempFolder temp;
    test::FixedClock clock{components, QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
};

// A long-lived process (the window, Execute after Execute) must prune the
// archives of its earlier runs like any others, and count each run alone.
TEST_F(RunContextTest, TwoRunsInOneProcessDoNotSeeEachOthersState)
{
    temp.Write("data/ABC.RZT");
    const std::string job = "\"" + (temp / "data/") + "\" \"" + (temp / "backup/") + "\" KEEPLAST:1";

    const RunOutcome first = ProcessCommandLine(job);
    clock.AdvanceSeconds(1);
    const RunOutcome rejected = ProcessCommandLine("\"" + (temp / "data/") + "\"");
    const RunOutcome second = ProcessCommandLine(job);

    EXPECT_EQ(test::FolderNames(temp / "backup"), Names{"ABC_2024-03-07-14-05-10.RZZ"});
    for (const auto& [outcome, written, rejections] :
         {std::tuple{first, 1, 0}, std::tuple{rejected, 0, 1}, std::tuple{second, 1, 0}}) {
        EXPECT_EQ(outcome.ArchivesWritten, written);
        EXPECT_EQ(outcome.LinesRejected, rejections);
        EXPECT_EQ(outcome.EntriesLogged, 0);
    }
}

// Records the events as text; bytes read in a row are added up. Cancels the
// run once the data file named cancelIn has had cancelAfter bytes read.
struct RecordingSink final : ProgressSink {
    RunContext* run = nullptr;
    std::string cancelIn;
    std::uint64_t cancelAfter = 0;
    Names events;
    std::uint64_t bytes = 0;
    std::string current;

    void Flush()
    {
        if (bytes > 0)
            events.push_back("read " + std::to_string(bytes));
        bytes = 0;
    }
    void RunStarted() override { events.push_back("run"); }
    void DataFilesListed(std::size_t count, std::uint64_t total) override
    {
        events.push_back("listed " + std::to_string(count) + " " + std::to_string(total));
    }
    void DataFileStarted(const std::string& name, std::uint64_t size) override
    {
        current = name.substr(name.rfind('/') + 1);
        events.push_back("start " + current + " " + std::to_string(size));
    }
    void BytesRead(std::uint64_t count) override
    {
        bytes += count;
        if (current == cancelIn && bytes >= cancelAfter)
            run->RequestCancel();
    }
    void DataFileFinished(bool ok) override
    {
        Flush();
        events.push_back(ok ? "ok" : "failed");
    }
    void RunFinished(const RunOutcome& outcome) override
    {
        events.push_back("end " + std::to_string(outcome.ArchivesWritten) + (outcome.Cancelled ? " cancelled" : ""));
    }
};

// The one-file jobs of a run overlap on their way to disk, yet each data file
// is pruned with its own job's KEEPLAST, and what the sink and the prompt hear
// comes in the order of the jobs. Cancelled in the middle of C's archive: the
// archives before it stay, C leaves neither an archive nor a temporary, its
// older archives are not pruned, D is never listed, and the log says once
// that the run was cancelled.
TEST_F(RunContextTest, OverlappingJobsKeepTheirOwnCountAndTheirOrderAndACancelKeepsWhatWasFinished)
{
    constexpr std::uint64_t kMiB = 1024 * 1024;
    temp.Write("data/A.RZT", std::string(1000, 'a'));
    temp.Write("data/B.RZT", "bb");
    temp.Write("data/C.RZT", std::string(3 * kMiB + 5, 'c'));
    temp.Write("data/D.RZT", std::string(10, 'd'));
    for (const char* old : {"A_2020", "B_2020", "C_2020", "C_2021"})
        temp.Write(std::string("backup/") + old + "-01-01-00-00-00.RZZ");

    RecordingSink sink;
    RunContext run(components, &sink);
    sink.run = &run;
    sink.cancelIn = "C.RZT";
    sink.cancelAfter = 2 * kMiB;
    components.prompt.onAsk = [&](const PromptRequest&) { sink.events.push_back("usage"); };
    const auto job = [&](const char* name, const char* options) {
        return test::Quoted(temp / "data/" + name) + " " + test::Quoted(temp / "backup/") + options;
    };
    run.Start();
    for (const auto& line : {job("A.RZT", " KEEPLAST:1"), job("B.RZT", ""), std::string("\"unclosed"),
                             job("C.RZT", " KEEPLAST:1"), job("D.RZT", " KEEPLAST:1")}) {
        if (!run.CancelRequested())
            RunJobLine(run, line);
    }
    const RunOutcome outcome = run.Finish("ProcessCommandLine");

    const std::string sizeOfC = std::to_string(3 * kMiB + 5);
    EXPECT_EQ(sink.events,
              (Names{"run", "listed 1 1000", "start A.RZT 1000", "read 1000", "ok", "listed 1 2", "start B.RZT 2",
                     "read 2", "ok", "usage", "listed 1 " + sizeOfC, "start C.RZT " + sizeOfC,
                     "read " + std::to_string(2 * kMiB), "failed", "end 2 cancelled"}));
    EXPECT_EQ(test::FolderNames(temp / "backup"),
              (Names{"A_2024-03-07-14-05-09.RZZ", "B_2020-01-01-00-00-00.RZZ", "B_2024-03-07-14-05-09.RZZ",
                     "C_2020-01-01-00-00-00.RZZ", "C_2021-01-01-00-00-00.RZZ"}));
    EXPECT_EQ(test::ReadZip(temp / "backup/A_2024-03-07-14-05-09.RZZ").at(0).content, std::string(1000, 'a'));
    EXPECT_EQ(components.log, Names{"modDAZadaro, ProcessCommandLine, Runtime error occured: 18 - Backup cancelled by "
                                    "the user; archives finished before were kept Source: ZE6Vivevu"});
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_EQ(outcome.EntriesLogged, 1);
    EXPECT_EQ(outcome.LinesRejected, 1);
}

// A cancel inside one folder job of small data files, which are written
// several at once: B, cancelled as the sink hears of it, keeps no archive
// although it may have been written already, and nothing after it is heard of.
TEST_F(RunContextTest, CancelInAFolderJobKeepsOnlyTheArchivesReportedFinished)
{
    for (const char* name : {"A.RZT", "B.RZT", "C.RZT", "D.RZT"})
        temp.Write(std::string("data/") + name, std::string(100, name[0]));
    temp.Write("backup/B_2020-01-01-00-00-00.RZZ");

    RecordingSink sink;
    RunContext run(components, &sink);
    sink.run = &run;
    sink.cancelIn = "B.RZT";
    sink.cancelAfter = 1;
    ProcessJobs(run, {{temp / "data/", temp / "backup/", {1}}});

    ASSERT_GE(sink.events.size(), 3u);
    const Names events(sink.events.begin() + 2, sink.events.end());
    // The folder's order decides whether A comes before B.
    const Names cancelledFirst = {"start B.RZT 100", "read 100", "failed", "end 0 cancelled"};
    const Names cancelledSecond = {"start A.RZT 100", "read 100",       "ok", "start B.RZT 100", "read 100",
                                   "failed",          "end 1 cancelled"};
    EXPECT_TRUE(events == cancelledFirst || events == cancelledSecond) << testing::PrintToString(sink.events);
    Names expected = {"B_2020-01-01-00-00-00.RZZ"};
    if (events == cancelledSecond)
        expected.insert(expected.begin(), "A_2024-03-07-14-05-09.RZZ");
    EXPECT_EQ(test::FolderNames(temp / "backup"), expected);
}

} // namespace
} // namespace ze6::modDAZadaro
