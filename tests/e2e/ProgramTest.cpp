#include "support/TempFolder.h"
#include "support/ZipReader.h"

#include <QProcess>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace ze6::test {
namespace {

using Names = std::vector<std::string>;

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs the built program as cron would: no display, its own home and state
// folders, the log in the temporary folder.
class ProgramTest : public testing::Test {
protected:
    TempFolder temp;
    std::string logPath = temp / "state/ZE6Vivevu.log";

    Result Run(const Names& arguments, const std::string& workingFolder = {}, const std::string& log = {})
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        environment.insert(QStringLiteral("HOME"), Q(temp.MakeFolder("home")));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), Q(temp / "state/xdg"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Q(temp / "home/config"));
        environment.insert(QStringLiteral("ZE6VIVEVU_LOG"), Q(log.empty() ? logPath : log));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(Q(workingFolder.empty() ? temp.Path() : workingFolder));
        QStringList list;
        for (const auto& argument : arguments)
            list << Q(argument);
        process.start(QStringLiteral(ZE6_BINARY), list);
        process.waitForFinished(60000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }

    // The log's entries without their time, logger name and level.
    Names Logged() const
    {
        Names entries;
        std::istringstream lines(ReadFile(logPath));
        static const std::regex kPrefix(
            R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[Legacy\.ZE6Vivevu\] \[error\] )");
        for (std::string line; std::getline(lines, line);)
            entries.push_back(std::regex_replace(line, kPrefix, ""));
        return entries;
    }

    // File names in a folder, sorted, with this run's archive timestamps (not
    // the 2020 ones a test writes itself) shown as "<t>".
    Names Folder(const std::string& relative) const
    {
        static const std::regex kStamp(R"(_(?!2020)\d{4}-\d\d-\d\d-\d\d-\d\d-\d\d\.RZZ$)");
        Names names;
        if (std::filesystem::is_directory(temp / relative)) {
            for (const auto& entry : std::filesystem::directory_iterator(temp / relative))
                names.push_back(std::regex_replace(entry.path().filename().string(), kStamp, "_<t>.RZZ"));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string Job(const std::string& source, const std::string& target, const std::string& options = "") const
    {
        return "\"" + (temp / source) + "\" \"" + (temp / target) + "\" " + options;
    }
};

std::string Usage(const std::string& message)
{
    return "Ranzel Backup Utility - V6.1.400\n\n" + (message.empty() ? "" : message + "\n") + std::string(85, '_') +
           "\n\nFormat: ZE6Vivevu \"SourcePath[Filespec]\" \"TargetPath\" [KEEPLAST:n]\n\n"
           "ie  ZE6Vivevu \"C:\\RZDATA\\*.RZT\" \"C:\\RZDATA\\BACKUP\\\" KEEPLAST:5\n\n"
           "Alternatively: ZE6Vivevu <FileName>.RZB\n";
}

TEST_F(ProgramTest, HelpAndMalformedJobLinesShowTheUsageOnStandardError)
{
    const std::pair<Names, std::pair<int, std::string>> cases[] = {
        {{"/?"}, {0, ""}},
        {{"/help"}, {0, ""}},
        {{" "}, {2, "ERROR - Missing Quote in SourcePath!"}},
        {{"/h"}, {2, "ERROR - Missing Quote in SourcePath!"}},
        {{"\"/data/\""}, {2, "ERROR - Missing TargetPath!"}},
        {{"\"/data/\" /backup/"}, {2, "ERROR - Missing Quote in TargetPath!"}},
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

TEST_F(ProgramTest, FolderAndWildcardJobsRunSilently)
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
    for (const Result& result : {folder, wildcard, relative}) {
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
    }
    EXPECT_FALSE(Exists(logPath));
    EXPECT_EQ(Folder("backup"), (Names{"PLANT1_<t>.RZZ", "Plant2_<t>.RZZ"}));
    EXPECT_EQ(Folder("wild"),
              (Names{"PLANT1_2020-01-03-00-00-00.RZZ", "PLANT1_2020-01-04-00-00-00.RZZ",
                     "PLANT1_2020-01-05-00-00-00.RZZ", "PLANT1_2020-01-06-00-00-00.RZZ", "PLANT1_<t>.RZZ"}));
    EXPECT_EQ(Folder("rel"), Names{"Plant2_<t>.RZZ"});
    for (const auto& entry : std::filesystem::directory_iterator(temp / "backup")) {
        const auto entries = ReadZip(entry.path().string());
        const bool first = entry.path().filename().string().rfind("PLANT1", 0) == 0;
        ASSERT_EQ(entries.size(), first ? 2u : 1u);
        EXPECT_EQ(entries[0].content, first ? "one" : "two");
    }
}

TEST_F(ProgramTest, ConfigurationFileRunsEveryLineAndGoesOnAfterABadOne)
{
    for (const char* name : {"a/A.RZT", "b/B.RZT", "c/C.RZT", "d/D.RZT"})
        temp.Write(name);
    const std::string file = temp.Write("my jobs/Daily.Rzb", Job("a", "out/a") + "\r\n\r\n    \r\n  " +
                                                                 Job("b", "out/b") + "  \rthis line is a remark\r\n" +
                                                                 Job("c", "out/c") + "\r\n" + Job("d", "out/d"));
    const Result result = Run({"\"" + file + "\""});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, Usage("ERROR - Missing Quote in SourcePath!"));
    for (const char* folder : {"out/a", "out/b", "out/c", "out/d"})
        EXPECT_EQ(Folder(folder).size(), 1u) << folder;

    // Lone line feeds do not end a line: one job, with the first KEEPLAST after its target.
    for (int day = 1; day <= 3; ++day)
        temp.Write("lf/a/A_2020-01-0" + std::to_string(day) + "-00-00-00.RZZ");
    const std::string lf = temp.Write("lf.ze6vivevu", Job("a", "lf/a", "KEEPLAST:2") + "\n" + Job("b", "lf/b") + "\n");
    EXPECT_EQ(Run({lf}).status, 0);
    EXPECT_EQ(Folder("lf/a").size(), 2u);
    EXPECT_FALSE(Exists(temp / "lf/b"));
    EXPECT_FALSE(Exists(logPath));
}

TEST_F(ProgramTest, FailuresGoToTheLogAndExitOne)
{
    temp.Write("data/A.RZT");
    temp.Write("data/B.RZT");
    temp.Write("blocked", "a file where the target's parent should be");
    const Result missing = Run({temp / "jobs/missing.rzb"});
    const Result overflow = Run({temp / "data", temp / "out", "KEEPLAST:99999999999"});
    const Result blocked = Run({temp / "data", temp / "blocked/sub"});
    for (const Result& result : {missing, overflow, blocked}) {
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out + result.err, "");
    }
    const Names logged = Logged();
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_EQ(logged[0], "ERROR: modDAZadaro, Main, Runtime error occured: 0 - File '" + (temp / "jobs/missing.rzb") +
                             "' does not exist or is inaccessible.");
    EXPECT_EQ(logged[1],
              "ERROR: modDAZadaro, ProcessCommandLine, Runtime error occured: 6 - Overflow Source: ZE6Vivevu");
    for (const std::size_t i : {2u, 3u}) // one entry per data file: the second was still tried
        EXPECT_EQ(logged[i].rfind("ERROR: modDAZadaro, ArchiveApplication, Runtime error occured: ", 0), 0u);
    EXPECT_FALSE(Exists(temp / "out"));

    // A log that cannot be written: the entry goes to standard error, one line.
    const Result unlogged = Run({temp / "jobs/missing.rzb"}, {}, temp / "blocked/ZE6Vivevu.log");
    EXPECT_EQ(unlogged.status, 1);
    EXPECT_EQ(unlogged.err.rfind("ERROR: modDAZadaro, Main, Runtime error occured: 0 - File '", 0), 0u) << unlogged.err;
    EXPECT_EQ(std::count(unlogged.err.begin(), unlogged.err.end(), '\n'), 1);
}

TEST_F(ProgramTest, PruningAcrossRuns)
{
    temp.Write("data/ABC.RZT");
    temp.Write("data/ABC.RZT6");
    temp.Write("out/ABC_DEF_2020-01-01-00-00-00.RZZ");
    const std::string file = temp.Write("jobs.rzb", Job("data/abc.rzt", "out", "KEEPLAST:2") + "\r\n");
    for (int run = 0; run < 3; ++run) {
        // Names have one-second resolution: each run starts in a new second.
        std::this_thread::sleep_until(std::chrono::ceil<std::chrono::seconds>(std::chrono::system_clock::now()));
        const Result result = Run({file});
        ASSERT_EQ(result.status, 0) << result.err << ReadFile(logPath);
    }
    EXPECT_EQ(Folder("out"), (Names{"ABC_<t>.RZZ", "ABC_<t>.RZZ", "ABC_DEF_2020-01-01-00-00-00.RZZ"}));
}

} // namespace
} // namespace ze6::test
