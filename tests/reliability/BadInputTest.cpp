#include "support/ProgramRun.h"

#include <gtest/gtest.h>

namespace ze6::test {
namespace {

using BadInputTest = ProgramFixture;

// A finished run: no crash, no hang, and any output is the usage text.
void ExpectSurvived(const Result& result, const std::string& what)
{
    ASSERT_TRUE(result.status >= 0 && result.status <= 2) << what << ": crashed, hung or " << result.status;
    EXPECT_EQ(result.out, "") << what;
    if (result.status == 2)
        EXPECT_TRUE(result.err.starts_with(UsageTitle())) << what << ": " << result.err;
    else
        EXPECT_EQ(result.err, "") << what;
}

TEST_F(BadInputTest, ConfigurationFilesOfJunkEndWithTheUsageOrALogEntry)
{
    const std::string out = "\"" + temp.Path() + "out/\"";
    const std::pair<std::string, std::string> cases[] = {
        {"junk.rzb", RandomBytes(1 << 16, 11)},
        {"nuls.rzb", "\"" + std::string(4096, '\0')},
        {"utf8.rzb", "\"" + temp.Path() + "\xff\xfe\xc3(\xed\xa0\x80/*.RZT\" " + out + "\r\n"},
        {"longline.rzb", "\"" + std::string(10 << 20, 'a') + "\" " + out + " KEEPLAST:1\r\n"},
        {"unclosed.rzb", "\"" + std::string(10 << 20, 'b')}};
    for (const auto& [name, content] : cases)
        ExpectSurvived(program.Run({temp.Write(name, content)}), name);
    EXPECT_FALSE(Exists(temp / "out"));

    // A hundred thousand blank lines before a job are all read.
    std::string lines;
    for (int i = 0; i < 100000; ++i)
        lines += "   \r";
    const Result result = program.Run({temp.Write("many.rzb", lines + "\"" + temp.Write("data/A.RZT") + "\" " + out)});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FolderNames(temp / "out").size(), 1u);
}

TEST_F(BadInputTest, PathsLongerThanTheSystemAllowsAreLogged)
{
    temp.Write("data/A.RZT");
    std::string deep;
    for (int i = 0; i < 20; ++i)
        deep += std::string(250, 'd') + "/";
    const std::string tooLongName = std::string(300, 'n');
    const Names jobs[] = {{temp / "data", temp / deep},
                          {temp / "data", temp / (tooLongName + "/")},
                          {temp / (deep + "*.RZT"), temp / "out"},
                          {temp / (tooLongName + ".RZT"), temp / "out"},
                          {temp / deep + "x.rzb"}};
    for (const auto& job : jobs)
        ExpectSurvived(program.Run(job), job[0].substr(0, 80));
    // The two targets that cannot exist were reported, once each.
    EXPECT_GE(LogEntries(logPath).size(), 2u);
    EXPECT_FALSE(Exists(temp / "out"));
}

} // namespace
} // namespace ze6::test
