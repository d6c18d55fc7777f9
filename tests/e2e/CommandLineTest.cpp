#include "BinaryRunner.h"
#include "support/ZipReader.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

namespace ze6::test {
namespace {

using Names = std::vector<std::string>;

// Names of the files in a folder, sorted, with each archive's timestamp
// replaced by "<time>" so runs at any moment compare equal.
Names ArchivesIn(const std::string& folder)
{
    static const std::regex kStamp("_\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d\\.RZZ$");
    Names names;
    if (!std::filesystem::is_directory(folder))
        return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(std::regex_replace(entry.path().filename().string(), kStamp, "_<time>.RZZ"));
    std::sort(names.begin(), names.end());
    return names;
}

std::string OnlyArchive(const std::string& folder, const std::string& stem)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(stem + "_", 0) == 0)
            return entry.path().string();
    }
    return {};
}

TEST(CommandLine, HelpShowsTheUsageOnStandardErrorWithoutDisplay)
{
    BinaryRunner runner;
    for (const char* help : {"/?", "/help", "/HeLp"}) {
        const auto result = runner.Run({help});
        EXPECT_EQ(result.exitStatus, 0) << help;
        EXPECT_EQ(result.standardError, UsageOnStandardError("")) << help;
        EXPECT_EQ(result.standardOutput, "");
    }
    EXPECT_FALSE(Exists(runner.LogPath()));
}

TEST(CommandLine, MalformedJobLinesShowTheUsageWithTheirErrorAndExitTwo)
{
    BinaryRunner runner;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{" "}, "ERROR - Missing Quote in SourcePath!"},
        {{"/h"}, "ERROR - Missing Quote in SourcePath!"},
        {{"\"/data/"}, "ERROR - Missing Quote in SourcePath!"},
        {{"\"/data/\""}, "ERROR - Missing TargetPath!"},
        {{"\"/data/\" /backup/"}, "ERROR - Missing Quote in TargetPath!"},
        {{"\"/data/\"", "\"/backup/"}, "ERROR - Missing Quote in TargetPath!"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto result = runner.Run(arguments);
        EXPECT_EQ(result.exitStatus, 2) << arguments.front();
        EXPECT_EQ(result.standardError, UsageOnStandardError(message)) << arguments.front();
        EXPECT_EQ(result.standardOutput, "");
    }
    EXPECT_FALSE(Exists(runner.LogPath()));
}

TEST(CommandLine, AFolderJobArchivesEveryDataFileSilently)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    temp.Write("data/PLANT1.RZT", "one");
    temp.Write("data/plant1.rzd", "one's companion");
    temp.Write("data/Plant2.rzt6", "two");
    temp.Write("data/notes.txt");

    const auto result = runner.Run({temp / "data", temp / "backup"});
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(result.standardError, "");
    EXPECT_FALSE(Exists(runner.LogPath()));
    EXPECT_EQ(ArchivesIn(temp / "backup"), (Names{"PLANT1_<time>.RZZ", "Plant2_<time>.RZZ"}));
    const auto entries = ReadZip(OnlyArchive(temp / "backup", "PLANT1"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "PLANT1.RZT");
    EXPECT_EQ(entries[0].content, "one");
    EXPECT_EQ(entries[1].name, "plant1.rzd");
    EXPECT_EQ(ZipEntryNames(OnlyArchive(temp / "backup", "Plant2")), Names{"Plant2.rzt6"});
}

TEST(CommandLine, AWildcardJobWithSeparateArgumentsAndKeepLast)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    temp.Write("data/A.RZT");
    temp.Write("data/B.RZT6");
    for (int day = 1; day <= 6; ++day)
        temp.Write("backup/A_2020-01-0" + std::to_string(day) + "-00-00-00.RZZ", "old");

    const auto result = runner.Run({temp / "data/*.RZT", temp / "backup/", "KEEPLAST:5"});
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_EQ(result.standardError, "");
    const Names kept = ArchivesIn(temp / "backup");
    EXPECT_EQ(kept, (Names{"A_2020-01-03-00-00-00.RZZ", "A_2020-01-04-00-00-00.RZZ", "A_2020-01-05-00-00-00.RZZ",
                           "A_2020-01-06-00-00-00.RZZ", "A_<time>.RZZ"}));

    // The same job as one argument, relative to the working folder.
    const auto relative = runner.Run({"\"data/*.rzt6\" \"backup\""}, temp.Path());
    EXPECT_EQ(relative.exitStatus, 0) << relative.standardError;
    EXPECT_EQ(ArchivesIn(temp / "backup").back(), "B_<time>.RZZ");
}

TEST(CommandLine, KeepLastOverflowIsLoggedAndTheJobSkipped)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    temp.Write("data/A.RZT");
    const auto result = runner.Run({temp / "data", temp / "backup", "KEEPLAST:99999999999"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(runner.LoggedEntries(),
              Names{"ERROR: modDAZadaro, ProcessCommandLine, Runtime error occured: 6 - Overflow Source: ZE6Vivevu"});
    EXPECT_FALSE(Exists(temp / "backup"));
}

TEST(CommandLine, FailuresOfOneDataFileDoNotStopTheOthers)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    temp.Write("data/A.RZT");
    temp.Write("data/B.RZT");
    // A file where the target's parent folder should be: no archive can be made.
    temp.Write("blocked", "not a folder");
    const auto result = runner.Run({temp / "data", temp / "blocked/sub"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardError, "");
    const auto entries = runner.LoggedEntries();
    ASSERT_EQ(entries.size(), 2u);
    for (const auto& entry : entries)
        EXPECT_EQ(entry.rfind("ERROR: modDAZadaro, ArchiveApplication, Runtime error occured: ", 0), 0u) << entry;
}

TEST(CommandLine, AnUnwritableLogSendsTheEntryToStandardError)
{
    BinaryRunner runner;
    const auto& temp = runner.Folder();
    temp.Write("not-a-folder");
    runner.environment.back() = "ZE6VIVEVU_LOG=" + (temp / "not-a-folder/ZE6Vivevu.log");
    const auto result = runner.Run({temp / "jobs.rzb"});
    EXPECT_EQ(result.exitStatus, 1);
    const std::string expected =
        "ERROR: modDAZadaro, Main, Runtime error occured: 0 - File '" + (temp / "jobs.rzb") +
        "' does not exist or is inaccessible. [not logged: ";
    EXPECT_EQ(result.standardError.rfind(expected, 0), 0u) << result.standardError;
    EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1);
}

}  // namespace
}  // namespace ze6::test
