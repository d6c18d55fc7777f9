#include "platform/schedule/Scheduler.h"
#include "support/ProgramRun.h"

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <sstream>

namespace ze6::test {
namespace {

const std::string kTime = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";

class StatusTest : public ProgramFixture {
protected:
    Result Run(const Names& arguments) const { return program.Run(arguments); }

    // Each line of `out` against its pattern, in order.
    static testing::AssertionResult Lines(const std::string& out, const std::vector<std::string>& patterns)
    {
        std::vector<std::string> lines;
        std::istringstream input(out);
        for (std::string line; std::getline(input, line);)
            lines.push_back(line);
        if (lines.size() != patterns.size())
            return testing::AssertionFailure() << lines.size() << " lines:\n" << out;
        for (std::size_t n = 0; n < lines.size(); ++n) {
            if (!std::regex_match(lines[n], std::regex(patterns[n])))
                return testing::AssertionFailure() << "line " << n << " is '" << lines[n] << "', not /" << patterns[n]
                                                   << "/";
        }
        return testing::AssertionSuccess();
    }

    static std::string Quoted(const std::string& text)
    {
        return std::regex_replace(text, std::regex(R"([.*+?^$()[\]{}|\\])"), R"(\$&)");
    }

    std::string data = temp.Write("data/PLANT1.RZT", "plant one").substr(0, (temp / "data/").size());
};

// A clean job is ok; one that logged (its target cannot be made) and one
// rejected for its syntax are failed; a line added since is never run. The
// exit status lets a monitoring script tell, and a wrong operand is 2.
TEST_F(StatusTest, EachJobOfAFileShowsItsLastRunInFileOrder)
{
    const std::string clean = "\"" + data + "\" \"" + (temp / "backup/") + "\"";
    const std::string failing = "\"" + data + "\" \"" + temp.Write("blocker") + "/sub/\"";
    const std::string rejected = "\"" + data;
    const std::string jobs = temp.Write("jobs.rzb", "  " + clean + "\r\n" + failing + "\r\n\r\n" + rejected + "\r\n");
    EXPECT_EQ(Run({jobs}).status, 2);
    temp.Write("jobs.rzb", clean + "\r\n" + failing + "\r\n" + rejected + "\r\n\"/new/\" \"/t/\"\r\n");

    const Result status = Run({"/STATUS", jobs});
    EXPECT_EQ(status.status, 1) << status.err;
    const std::string file = "\t" + Quoted(jobs) + "\t";
    EXPECT_TRUE(Lines(status.out, {"ok\t" + kTime + "\t" + kTime + file + Quoted(clean),
                                   "failed\t" + kTime + "\t-" + file + Quoted(failing),
                                   "failed\t" + kTime + "\t-" + file + Quoted(rejected),
                                   "never\t-\t-" + file + "\"/new/\" \"/t/\""}));

    // Without a file: every job with a record, the command line's first.
    EXPECT_EQ(Run({data, temp / "cli/"}).status, 0);
    const Result all = Run({"/status"});
    EXPECT_EQ(all.status, 1);
    EXPECT_TRUE(Lines(all.out, {"ok\t" + kTime + "\t" + kTime + "\t-\t.*/cli/\"?", "ok\t.*", "failed\t.*", "failed\t.*"}));

    const std::string alone = temp.Write("clean.rzb", clean + "\r\n");
    ASSERT_EQ(Run({alone}).status, 0);
    EXPECT_EQ(Run({"/STATUS", alone}).status, 0);
    EXPECT_EQ(Run({"/STATUS", temp / "missing.rzb"}).status, 2);
    EXPECT_EQ(Run({"/STATUS", jobs, jobs}).status, 2);
}

// Runs that end together each keep their records: two files, and job lines
// given on the command line, which all share one record file.
TEST_F(StatusTest, RunsEndingTogetherAllKeepTheirRecords)
{
    std::string first, second;
    for (int n = 0; n < 40; ++n) {
        first += "\"" + data + "\" \"" + (temp / "a/") + std::to_string(n) + "/\"\r\n";
        second += "\"" + data + "\" \"" + (temp / "b/") + std::to_string(n) + "/\"\r\n";
    }
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const std::string& file : {temp.Write("one.rzb", first), temp.Write("two.rzb", second)}) {
        runs.push_back(std::make_unique<QProcess>());
        program.Start(*runs.back(), {file});
    }
    for (int n = 0; n < 8; ++n) {
        runs.push_back(std::make_unique<QProcess>());
        program.Start(*runs.back(), {data, temp / ("c/" + std::to_string(n) + "/")});
    }
    for (const auto& run : runs) {
        ASSERT_TRUE(run->waitForFinished(120000));
        EXPECT_EQ(run->exitCode(), 0);
    }
    const Result status = Run({"/STATUS"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(std::count(status.out.begin(), status.out.end(), '\n'), 88) << status.out;
}

// A record file cut short is not trusted: it is set aside for a person to
// look at, the log and standard error say so, its jobs count as never run,
// and the next run starts a new one.
TEST_F(StatusTest, ATruncatedRecordFileIsSetAsideAndReported)
{
    const std::string jobs = temp.Write("jobs.rzb", "\"" + data + "\" \"" + (temp / "backup/") + "\"\r\n");
    ASSERT_EQ(Run({jobs}).status, 0);
    const std::string records = temp / ("state/xdg/ZE6Vivevu/jobs/" + ScheduleKey(jobs) + ".records");
    ASSERT_TRUE(std::filesystem::exists(records));
    std::filesystem::resize_file(records, std::filesystem::file_size(records) / 2);

    const Result status = Run({"/STATUS", jobs});
    EXPECT_EQ(status.status, 1);
    EXPECT_TRUE(std::regex_match(status.out, std::regex("never\t-\t-\t.*\n")));
    EXPECT_NE(status.err.find("set aside as '" + records + ".damaged-"), std::string::npos) << status.err;
    const Names entries = LogEntries(logPath);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].find("Damaged job records in '" + records + "' were set aside"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(records));

    ASSERT_EQ(Run({jobs}).status, 0);
    EXPECT_EQ(Run({"/STATUS", jobs}).status, 0);
}

// Records that cannot be kept do not fail the backup; the log says why, and
// the run's exit status still tells only of its jobs.
TEST_F(StatusTest, RecordsThatCannotBeKeptAreLoggedAndTheBackupStands)
{
    const std::string jobs = temp.Write("jobs.rzb", "\"" + data + "\" \"" + (temp / "backup/") + "\"\r\n");
    temp.Write("state/xdg/ZE6Vivevu/jobs", "not a folder");
    EXPECT_EQ(Run({jobs}).status, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp / "backup"), {}), 1);
    const Names entries = LogEntries(logPath);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].find("Job records not kept: cannot open " + (temp / "state/xdg/ZE6Vivevu/jobs/.lock")),
              std::string::npos)
        << entries[0];
}

} // namespace
} // namespace ze6::test
