#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"
#include "support/ProgramRun.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ze6::test {
namespace {

constexpr const char* kTemplate = "ERROR: {ModuleName}, {ProcName}, {Message}";

std::unique_ptr<LogComponent> NamedLog()
{
    auto log = MakeFileLogComponent();
    log->SetLoggerName("Legacy.ZE6Vivevu");
    return log;
}

TEST(FileLogComponent, WritesOneFlushedLineInTheFolderItCreatesOnFirstUse)
{
    TempFolder temp;
    const std::string file = temp / "logs/nested/app.log";
    ScopedEnvironment environment{{"ZE6VIVEVU_LOG", file}};
    auto log = NamedLog();
    EXPECT_FALSE(Exists(temp / "logs"));

    log->WriteError(kTemplate, "modDAZadaro", "Main",
                    "Runtime error occured: 0 - File '/jobs/x.rzb' does not exist or is inaccessible.");
    log->WriteError(kTemplate, "modDAZadaro", "ProcessFile", "braces {Message} stay\nand lines join");

    // A second component of the same name appends to the same file.
    NamedLog()->WriteError(kTemplate, "m", "p", "third");
    // Each entry is one line after its time, logger name and level.
    EXPECT_EQ(LogEntries(file),
              (Names{"ERROR: modDAZadaro, Main, Runtime error occured: 0 - File '/jobs/x.rzb' does not exist or "
                     "is inaccessible.",
                     "ERROR: modDAZadaro, ProcessFile, braces {Message} stay and lines join", "ERROR: m, p, third"}));
    EXPECT_TRUE(ReadFile(file).ends_with("third\n"));
}

TEST(FileLogComponent, DefaultsToTheStateFolderAndHonoursTheUmask)
{
    TempFolder temp;
    {
        ScopedEnvironment environment{{"ZE6VIVEVU_LOG", std::nullopt}, {"XDG_STATE_HOME", temp / "state"}};
        NamedLog()->WriteError(kTemplate, "a", "b", "c");
        EXPECT_TRUE(Exists(temp / "state/ZE6Vivevu/ZE6Vivevu.log"));
    }
    ScopedEnvironment environment{
        {"ZE6VIVEVU_LOG", std::nullopt}, {"XDG_STATE_HOME", std::nullopt}, {"HOME", temp / "home"}};
    const mode_t old = umask(027);
    NamedLog()->WriteError(kTemplate, "a", "b", "c");
    umask(old);
    struct stat status {};
    ASSERT_EQ(stat((temp / "home/.local/state/ZE6Vivevu/ZE6Vivevu.log").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST(FileLogComponent, FailuresRaiseRuntimeErrorsOfTheComponent)
{
    TempFolder temp;
    const std::tuple<std::string, std::string, std::int32_t> cases[] = {
        {temp.Write("file.txt") + "/app.log", kTemplate, ErrorNumber::PathNotFound},
        {"/dev/full", kTemplate, ErrorNumber::DiskFull},
        {temp / "ok.log", "ERROR: {ModuleName, {Unknown}", 5}};
    for (const auto& [log, messageTemplate, number] : cases) {
        ScopedEnvironment environment{{"ZE6VIVEVU_LOG", log}};
        try {
            NamedLog()->WriteError(messageTemplate, "a", "b", "c");
            ADD_FAILURE() << log;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), number) << log;
            // A failure of the file names it; a bad template is no file's fault.
            EXPECT_EQ(error.Description(), DescribeErrorNumber(number) + (number == 5 ? "" : ": " + log));
            EXPECT_EQ(error.Source(), "LogComponent");
        }
    }
    EXPECT_FALSE(Exists(temp / "ok.log"));
}

} // namespace
} // namespace ze6::test
