#include "engine/Main.h"
#include "EngineTestComponents.h"
#include "engine/ConfigFile.h"
#include "engine/Usage.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

using Names = std::vector<std::string>;

int Dispatch(const std::string& commandText)
{
    return Main(commandText, [] { return 7; });
}

TEST(Main, DispatchAndExitStatus)
{
    test::EngineTestComponents components;
    EXPECT_EQ(Dispatch(""), 7);
    EXPECT_EQ(Dispatch("/Help"), 0);
    EXPECT_EQ(Dispatch("/? "), 2);
    EXPECT_EQ(Dispatch("\"/d/\" \"/Backup.RZB\""), 1);
    EXPECT_EQ(Dispatch("\"/d/\" \"/Backup.RZB\""), 1);
    EXPECT_EQ(components.prompt.asked.size(), 2u);
    EXPECT_EQ(components.log.size(), 2u);
    EXPECT_EQ(components.logCreations, 1); // one log for the whole run
}

TEST(Main, AConfigurationFileRunsEveryLineAndGoesOnPastBadOnes)
{
    test::EngineTestComponents components;
    test::TempFolder temp;
    const auto job = [&](const char* name, const std::string& options) {
        temp.Write(std::string(name) + "/" + name + ".RZT");
        return test::Quoted(temp / name) + " " + test::Quoted(temp / "out/" + name) + " " + options;
    };
    const std::string jobs = temp.Write("my jobs.Rzb6", job("a", "") + "\r\n\r\n    \r\n  " + job("b", "") +
                                                            "  \rthis line is a remark\r\n  " +
                                                            job("c", "KEEPLAST:99999999999") + "  \r\n" + job("d", ""));
    EXPECT_EQ(Dispatch(test::Quoted(jobs)), 2); // a rejected line wins over a log entry
    for (const char* folder : {"out/a", "out/b", "out/d"})
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp / folder), {}), 1) << folder;
    EXPECT_FALSE(test::Exists(temp / "out/c"));
    ASSERT_EQ(components.prompt.asked.size(), 1u);
    EXPECT_EQ(components.prompt.asked[0].text, UsageText("ERROR - Missing Quote in SourcePath!"));
    EXPECT_EQ(components.log, Names{"modDAZadaro, ProcessCommandLine, Runtime error occured: 6 - Overflow: " +
                                    job("c", "KEEPLAST:99999999999") + " Source: ZE6Vivevu"});
}

TEST(Main, ConfigurationFilesThatCannotBeReadAreLoggedUnderProcessFile)
{
    test::EngineTestComponents components;
    test::TempFolder temp;
    temp.MakeFolder("folder.rzb");
    ProcessFile(temp / "vanished.rzb");
    EXPECT_EQ(Dispatch(temp / "FOLDER.RZB"), 1);
    EXPECT_EQ(components.log, (Names{"modDAZadaro, ProcessFile, Runtime error occured: 53 - File not found: " +
                                         temp / "vanished.rzb" + " Source: ZE6Vivevu",
                                     "modDAZadaro, ProcessFile, Runtime error occured: 75 - Path/File access error: " +
                                         temp / "folder.rzb" + " Source: ZE6Vivevu"}));
}

} // namespace
} // namespace ze6::modDAZadaro
