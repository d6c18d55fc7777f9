#include "EngineTestComponents.h"
#include "engine/JobLine.h"
#include "engine/Main.h"
#include "engine/Usage.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const std::string kMissingSourceQuote = "ERROR - Missing Quote in SourcePath!";

int MainWithoutWindow(const std::string& commandText)
{
    return Main(commandText, [] {
        ADD_FAILURE() << "the main window was opened";
        return 99;
    });
}

TEST(Main, EmptyTextOpensTheMainWindowAndReturnsItsStatus)
{
    test::EngineTestComponents components;
    int opened = 0;
    EXPECT_EQ(Main("", [&] { return ++opened, 7; }), 7);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(components.prompt.asked.empty());
}

TEST(Main, HelpSwitchesShowTheUsageWithoutMessage)
{
    test::EngineTestComponents components;
    for (const char* help : {"/?", "/HELP", "/help", "/Help"})
        EXPECT_EQ(MainWithoutWindow(help), 0) << help;
    ASSERT_EQ(components.prompt.asked.size(), 4u);
    for (const auto& request : components.prompt.asked)
        EXPECT_EQ(request.text, UsageText(""));
    EXPECT_EQ(components.logCreations, 0);
}

TEST(Main, AnythingElseIsAJobLine)
{
    test::EngineTestComponents components;
    for (const char* text : {" ", "/h", "/? ", " /?", "remark"})
        EXPECT_EQ(MainWithoutWindow(text), 2) << '"' << text << '"';
    ASSERT_EQ(components.prompt.asked.size(), 5u);
    for (const auto& request : components.prompt.asked)
        EXPECT_EQ(request.text, UsageText(kMissingSourceQuote));
    EXPECT_TRUE(components.log.empty());
}

TEST(Main, AMissingConfigurationFileIsOneLogEntry)
{
    test::EngineTestComponents components;
    test::TempFolder temp;
    const std::string plain = temp / "daily.rzb";
    const std::string spaced = temp / "my jobs/Daily.Rzb6";
    EXPECT_EQ(MainWithoutWindow(plain), 1);
    EXPECT_EQ(MainWithoutWindow("\"" + spaced + "\""), 1);
    // A job line whose quoted target ends in a configuration-file extension is
    // taken as a file name, less its outer quotes.
    EXPECT_EQ(MainWithoutWindow("\"/d/\" \"/Backup.RZB\""), 1);
    EXPECT_EQ(MainWithoutWindow("\"x.dazadaro"), 1);

    EXPECT_EQ(components.LoggedMessages(),
              (std::vector<std::string>{
                  "Runtime error occured: 0 - File '" + plain + "' does not exist or is inaccessible.",
                  "Runtime error occured: 0 - File '" + spaced + "' does not exist or is inaccessible.",
                  "Runtime error occured: 0 - File '/d/\" \"/Backup.RZB' does not exist or is inaccessible.",
                  "Runtime error occured: 0 - File 'x.dazadaro' does not exist or is inaccessible."}));
    for (const auto& entry : components.log) {
        EXPECT_EQ(entry.moduleName, "modDAZadaro");
        EXPECT_EQ(entry.procName, "Main");
        EXPECT_EQ(entry.messageTemplate, "ERROR: {ModuleName}, {ProcName}, {Message}");
    }
    EXPECT_TRUE(components.prompt.asked.empty());
    EXPECT_EQ(components.logCreations, 1);
}

TEST(Main, ConfigurationFilesRunInAnyLetterCaseOfTheirExtension)
{
    test::EngineTestComponents components;
    test::TempFolder temp;
    for (const char* name : {"a.rzb", "b.ZE6Vivevu", "c.Rzb6", "d.DAZADARO", "my jobs.RZB"}) {
        const std::string path = temp.Write(name, "remark\r\n");
        EXPECT_EQ(MainWithoutWindow(name[0] == 'm' ? "\"" + path + "\"" : path), 2) << name;
    }
    EXPECT_EQ(components.prompt.asked.size(), 5u);
    EXPECT_TRUE(components.log.empty());
}

TEST(Main, ARejectedLineWinsOverLogEntries)
{
    test::EngineTestComponents components;
    test::TempFolder temp;
    const std::string file =
        temp.Write("jobs.rzb", "\"/d/\" \"/t/\" KEEPLAST:99999999999\r\nremark\r\n\"/d/\" \"/t/\" KEEPLAST:1e999999");
    EXPECT_EQ(MainWithoutWindow(file), 2);
    EXPECT_EQ(components.LoggedMessages(), (std::vector<std::string>{"Runtime error occured: 6 - Overflow Source: ZE6Vivevu",
                                                                     "Runtime error occured: 6 - Overflow Source: ZE6Vivevu"}));
    EXPECT_EQ(components.log.at(0).procName, "ProcessCommandLine");
    EXPECT_EQ(components.prompt.asked.size(), 1u);
    EXPECT_EQ(KeepLastCount(), 0);
}

TEST(Main, AFailingLogSendsTheEntryToStandardErrorAndStillCounts)
{
    test::EngineTestComponents components;
    components.failLogCreation = true;
    test::TempFolder temp;
    const std::string missing = temp / "x.rzb";

    CaptureStderr();
    const int status = MainWithoutWindow(missing);
    const int again = MainWithoutWindow(missing);
    const std::string errors = GetCapturedStderr();

    EXPECT_EQ(status, 1);
    EXPECT_EQ(again, 1);
    EXPECT_EQ(components.logCreations, 2);  // each report tries the log again
    const std::string line = "ERROR: modDAZadaro, Main, Runtime error occured: 0 - File '" + missing +
                             "' does not exist or is inaccessible. [not logged: Runtime error occured: 76 - Path "
                             "not found Source: LogComponent]\n";
    EXPECT_EQ(errors, line + line);

    components.failLogCreation = false;
    components.failLogWrite = true;
    CaptureStderr();
    EXPECT_EQ(MainWithoutWindow("\"/d/\" \"/t/\" KEEPLAST:&H80000000"), 1);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: modDAZadaro, ProcessCommandLine, Runtime error occured: 6 - Overflow "
                                   "Source: ZE6Vivevu [not logged: Runtime error occured: 70 - Permission denied "
                                   "Source: LogComponent]\n");
}

TEST(ProcessCommandLine, EveryLineSetsItsOwnKeepLastCount)
{
    test::EngineTestComponents components;
    test::TempFolder temp;
    ProcessCommandLine("\"" + temp.Path() + "\" \"" + temp.Path() + "t/\" KEEPLAST:4");
    EXPECT_EQ(KeepLastCount(), 4);
    ProcessCommandLine("\"" + temp.Path() + "\" \"" + temp.Path() + "t/\"");
    EXPECT_EQ(KeepLastCount(), 0);
    ProcessCommandLine("\"" + temp.Path() + "\" \"" + temp.Path() + "t/\" keeplast:-3");
    EXPECT_EQ(KeepLastCount(), 0);
    // A rejected line leaves the value alone.
    KeepLastCount() = 9;
    ProcessCommandLine("\"" + temp.Path() + "\"");
    EXPECT_EQ(KeepLastCount(), 9);
    EXPECT_TRUE(components.log.empty());
}

}  // namespace
}  // namespace ze6::modDAZadaro
