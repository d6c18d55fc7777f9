#include "support/ProgramRun.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <regex>

namespace ze6::test {
namespace {

class ProgramTest : public testing::Test {
protected:
    TempFolder temp;
    std::string logPath = temp / "state/ZE6Vivevu.log";

    Result Run(const Names& arguments) const { return ProgramRun(temp, logPath).Run(arguments); }

    // File names in a folder, sorted, with this run's archive timestamps (not
    // the 2020 ones a test writes itself) shown as "<t>".
    Names Folder(const std::string& relative) const
    {
        static const std::regex kStamp(R"(_(?!2020)\d{4}-\d\d-\d\d-\d\d-\d\d-\d\d\.RZZ$)");
        Names names = FolderNames(temp / relative);
        for (auto& name : names)
            name = std::regex_replace(name, kStamp, "_<t>.RZZ");
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string Job(const std::string& source, const std::string& target) const
    {
        return "\"" + (temp / source) + "\" \"" + (temp / target) + "\"";
    }
};

std::string Usage(const std::string& message)
{
    return "Ranzel Backup Utility - V6.1.400\n\n" + (message.empty() ? "" : message + "\n") + std::string(85, '_') +
           "\n\nFormat: ZE6Vivevu \"SourcePath[Filespec]\" \"TargetPath\" [KEEPLAST:n]\n\n"
           "ie  ZE6Vivevu \"C:\\RZDATA\\*.RZT\" \"C:\\RZDATA\\BACKUP\\\" KEEPLAST:5\n\n"
           "Alternatively: ZE6Vivevu <FileName>.RZB\n"
           "Schedule:   ZE6Vivevu /SCHEDULE <FileName>.RZB \"<when>\" (a systemd calendar expression, ie "
           "\"Mon..Fri 22:00\")\n"
           "Unschedule: ZE6Vivevu /UNSCHEDULE <FileName>.RZB\n"
           "Schedules:  ZE6Vivevu /SCHEDULES\n";
}

TEST_F(ProgramTest, HelpAndMalformedJobLinesShowTheUsageOnStandardError)
{
    const std::pair<Names, std::pair<int, std::string>> cases[] = {
        {{"/?"}, {0, ""}},
        {{" "}, {2, "ERROR - Missing Quote in SourcePath!"}},
        {{"\"/data/\""}, {2, "ERROR - Missing TargetPath!"}},
        {{"\"/data/\"", "\"/backup/"}, {2, "ERROR - Missing Quote in TargetPath!"}},
    };
    for (const auto& [arguments, expected] : cases) {
        const Result result = Run(arguments);
        EXPECT_EQ(result.status, expected.first) << arguments[0];
        EXPECT_EQ(result.err, Usage(expected.second)) << arguments[0];
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(Exists(logPath));
}

TEST_F(ProgramTest, FolderWildcardAndFileJobsRunSilently)
{
    temp.Write("data/PLANT1.RZT", "one");
    temp.Write("data/plant1.rzd", "one's companion");
    temp.Write("data/Plant2.rzt6", "two");
    temp.Write("data/notes.txt");
    for (int day = 1; day <= 6; ++day)
        temp.Write("wild/PLANT1_2020-01-0" + std::to_string(day) + "-00-00-00.RZZ", "old");

    const Result folder = Run({temp / "data", temp / "backup"});
    const Result wildcard = Run({temp / "data/*.RZT", temp / "wild/", "KEEPLAST:5"});
    const Result relative = Run({"\"data/*.rzt6\" \"rel\""});
    const Result file = Run({temp.Write("my jobs/Daily.Rzb", Job("data/plant1.rzt", "file") + "\r\n")});
    for (const Result& result : {folder, wildcard, relative, file}) {
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
    }
    EXPECT_FALSE(Exists(logPath));
    EXPECT_EQ(Folder("backup"), (Names{"PLANT1_<t>.RZZ", "Plant2_<t>.RZZ"}));
    EXPECT_EQ(Folder("wild"),
              (Names{"PLANT1_2020-01-03-00-00-00.RZZ", "PLANT1_2020-01-04-00-00-00.RZZ",
                     "PLANT1_2020-01-05-00-00-00.RZZ", "PLANT1_2020-01-06-00-00-00.RZZ", "PLANT1_<t>.RZZ"}));
    EXPECT_EQ(Folder("rel"), Names{"Plant2_<t>.RZZ"});
    EXPECT_EQ(Folder("file"), Names{"PLANT1_<t>.RZZ"});
}

TEST_F(ProgramTest, FailuresGoToTheLogAndExitOne)
{
    const Result missing = Run({temp / "jobs/missing.rzb"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out + missing.err, "");
    const std::regex entry(R"(\[[-\d: .]+\] \[Legacy\.ZE6Vivevu\] \[error\] ERROR: modDAZadaro, Main, Runtime error )"
                           R"(occured: 0 - File '[^']*/jobs/missing\.rzb' does not exist or is inaccessible\.\n)");
    EXPECT_TRUE(std::regex_match(ReadFile(logPath), entry)) << ReadFile(logPath);
}

} // namespace
} // namespace ze6::test
