#include "BinaryRunner.h"
#include "support/ZipReader.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace ze6::test {
namespace {

using Names = std::vector<std::string>;

int CountFiles(const std::string& folder)
{
    if (!std::filesystem::is_directory(folder))
        return 0;
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

std::string Job(const BinaryRunner& runner, const std::string& source, const std::string& target,
                const std::string& options = "")
{
    return "\"" + runner.Folder().Path() + source + "\" \"" + runner.Folder().Path() + target + "\" " + options;
}

TEST(ConfigurationFile, RunsEveryLineAndGoesOnAfterABadOne)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    for (const char* name : {"a/A.RZT", "b/B.RZT", "c/C.RZT", "d/D.RZT"})
        temp.Write(name);
    // CR LF, a lone CR, blank and indented lines, and a remark in the middle.
    const std::string file = temp.Write("jobs/Daily.RZB", Job(runner, "a", "out/a") + "\r\n" +
                                                              "\r\n"
                                                              "    \r\n"
                                                              "  " + Job(runner, "b", "out/b") + "  \r" +
                                                              "this line is a remark\r\n" +
                                                              Job(runner, "c", "out/c", "KEEPLAST:1") + "\r\n" +
                                                              Job(runner, "d", "out/d"));
    const auto result = runner.Run({file});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.standardError, UsageOnStandardError("ERROR - Missing Quote in SourcePath!"));
    EXPECT_EQ(result.standardOutput, "");
    for (const char* folder : {"out/a", "out/b", "out/c", "out/d"})
        EXPECT_EQ(CountFiles(temp / folder), 1) << folder;
    EXPECT_FALSE(Exists(runner.LogPath()));
}

TEST(ConfigurationFile, QuotedNameInAnotherCaseAndExtension)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    temp.Write("data/A.RZT");
    const std::string file = temp.Write("my jobs/nightly.ze6vivevu", Job(runner, "data", "out") + "\r\n");
    const auto result = runner.Run({"\"" + file + "\""});
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(CountFiles(temp / "out"), 1);
}

TEST(ConfigurationFile, LineFeedsAloneDoNotEndALine)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    temp.Write("a/A.RZT");
    temp.Write("b/B.RZT");
    for (int day = 1; day <= 3; ++day)
        temp.Write("out/a/A_2020-01-0" + std::to_string(day) + "-00-00-00.RZZ", "old");
    // One line: the first job runs and takes the first KEEPLAST after its target.
    const std::string file = temp.Write("jobs.rzb", Job(runner, "a", "out/a", "KEEPLAST:2") + "\n" +
                                                        Job(runner, "b", "out/b", "KEEPLAST:1") + "\n");
    const auto result = runner.Run({file});
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_EQ(CountFiles(temp / "out/a"), 2);
    EXPECT_EQ(CountFiles(temp / "out/b"), 0);
}

TEST(ConfigurationFile, AMissingFileIsOneLogLine)
{
    BinaryRunner runner;
    const std::string missing = runner.Folder() / "jobs/missing.rzb";
    const auto result = runner.Run({missing});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(runner.LoggedEntries(), Names{"ERROR: modDAZadaro, Main, Runtime error occured: 0 - File '" + missing +
                                            "' does not exist or is inaccessible."});
    // "[yyyy-mm-dd hh:mm:ss.mmm] [Legacy.ZE6Vivevu] [error] ..."
    EXPECT_EQ(runner.LogText().find("] [Legacy.ZE6Vivevu] [error] ERROR: modDAZadaro, Main, "), 24u);
}

TEST(ConfigurationFile, PruningAcrossRuns)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    temp.Write("data/ABC.RZT", "plain");
    temp.Write("data/ABC.RZT6", "six");
    temp.Write("out/ABC_DEF_2020-01-01-00-00-00.RZZ", "another data file's archive");
    const std::string file = temp.Write("jobs.rzb", Job(runner, "data/ABC.RZT", "out", "KEEPLAST:2") + "\r\n");

    for (int run = 0; run < 3; ++run) {
        // Archive names have one-second resolution: start each run in a new second.
        const auto now = std::chrono::system_clock::now();
        std::this_thread::sleep_until(std::chrono::ceil<std::chrono::seconds>(now));
        const auto result = runner.Run({file});
        ASSERT_EQ(result.exitStatus, 0) << result.standardError << runner.LogText();
    }
    EXPECT_EQ(CountFiles(temp / "out"), 3);  // two of ABC, one of ABC_DEF
    EXPECT_TRUE(Exists(temp / "out/ABC_DEF_2020-01-01-00-00-00.RZZ"));
    EXPECT_FALSE(Exists(runner.LogPath()));
}

}  // namespace
}  // namespace ze6::test
