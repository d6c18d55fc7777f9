#include "EngineTestComponents.h"
#include "engine/ConfigFile.h"
#include "platform/RuntimeError.h"
#include "support/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::modDAZadaro {
namespace {

std::vector<std::string> LinesOf(const std::string& content)
{
    std::istringstream input(content);
    ConfigLineReader reader(input);
    std::vector<std::string> lines;
    for (std::string line; reader.Next(line);)
        lines.push_back(line);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(ConfigLineReader, CrLfOrLoneCrEndsALineLoneLfDoesNot)
{
    EXPECT_EQ(LinesOf(""), Lines{});
    EXPECT_EQ(LinesOf("one"), Lines{"one"});
    EXPECT_EQ(LinesOf("one\r\ntwo\r\n"), (Lines{"one", "two"}));
    EXPECT_EQ(LinesOf("one\rtwo"), (Lines{"one", "two"}));
    EXPECT_EQ(LinesOf("one\ntwo\n"), Lines{"one\ntwo\n"});
    EXPECT_EQ(LinesOf("\r\n\r\n  \r\n"), (Lines{"", "", "  "}));
    EXPECT_EQ(LinesOf("a\r\r\nb\n\rc"), (Lines{"a", "", "b\n", "c"}));
    EXPECT_EQ(LinesOf(std::string("x\0y\xff\r\n", 6)), Lines{std::string("x\0y\xff", 4)});
}

TEST(ProcessFile, FilesThatCannotBeReadAreLoggedUnderProcessFile)
{
    test::EngineTestComponents components;
    test::TempFolder temp;

    ProcessFile(temp / "missing.rzb");
    temp.MakeFolder("folder.rzb");
    ProcessFile(temp / "folder.rzb");
    const std::string locked = temp.Write("locked.rzb", "\"/d/\" \"/t/\"\r\n");
    ::chmod(locked.c_str(), 0);
    const bool canReadAnyway = ::geteuid() == 0;
    ProcessFile(locked);

    std::vector<std::string> expected = {"Runtime error occured: 53 - File not found Source: ZE6Vivevu",
                                         "Runtime error occured: 75 - Path/File access error Source: ZE6Vivevu"};
    if (!canReadAnyway)
        expected.push_back("Runtime error occured: 70 - Permission denied Source: ZE6Vivevu");
    EXPECT_EQ(components.LoggedMessages(), expected);
    for (const auto& entry : components.log) {
        EXPECT_EQ(entry.moduleName, "modDAZadaro");
        EXPECT_EQ(entry.procName, "ProcessFile");
    }
    EXPECT_TRUE(components.prompt.asked.empty());
}

TEST(ProcessFile, EveryNonBlankLineRunsAndBadLinesShowTheUsage)
{
    test::EngineTestComponents components;
    test::TempFolder temp;
    // Neither job finds a data file; only the malformed lines show anything.
    const std::string file = temp.Write("jobs.rzb", "   \r\n"
                                                    "  \"" + temp.Path() + "none/\" \"" + temp.Path() + "t/\"  \r\n"
                                                    "remark\r\n"
                                                    "\t\"/x/\" \"/y/\"\r"
                                                    "\r\n"
                                                    "\"/x/\"\r\n"
                                                    "\"/x/\" /y/");
    ProcessFile(file);
    ASSERT_EQ(components.prompt.asked.size(), 4u);
    EXPECT_NE(components.prompt.asked[0].text.find("ERROR - Missing Quote in SourcePath!"), std::string::npos);
    EXPECT_NE(components.prompt.asked[1].text.find("ERROR - Missing Quote in SourcePath!"), std::string::npos);
    EXPECT_NE(components.prompt.asked[2].text.find("ERROR - Missing TargetPath!"), std::string::npos);
    EXPECT_NE(components.prompt.asked[3].text.find("ERROR - Missing Quote in TargetPath!"), std::string::npos);
    EXPECT_TRUE(components.log.empty());
}

}  // namespace
}  // namespace ze6::modDAZadaro
