#include "ProgramRun.h"

#include <gtest/gtest.h>

namespace ze6::test {
namespace {

const std::string kUsageStart = "Ranzel Backup Utility - V6.1.400\n";

class BadInputTest : public testing::Test {
protected:
    TempFolder temp;
    std::string logPath = temp / "state/ZE6Vivevu.log";
    ProgramRun program{temp, logPath};
};

// A finished run: no crash, no hang, and any output is the usage text.
void ExpectSurvived(const Result& result, const std::string& what)
{
    ASSERT_NE(result.status, -1) << what << ": crashed or hung";
    EXPECT_TRUE(result.status == 0 || result.status == 1 || result.status == 2) << what << ": " << result.status;
    EXPECT_EQ(result.out, "") << what;
    if (result.status == 2)
        EXPECT_TRUE(StartsWith(result.err, kUsageStart)) << what << ": " << result.err.substr(0, 200);
    else
        EXPECT_EQ(result.err, "") << what;
}

TEST_F(BadInputTest, ConfigurationFilesOfJunkEndWithTheUsageOrALogEntry)
{
    std::string nuls(4096, '\0');
    nuls.insert(0, "\"");
    std::string invalidUtf8 = "\"" + temp.Path() + "\xff\xfe\xc3(\xed\xa0\x80/*.RZT\" \"" + temp.Path() + "out/\"\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"junk.rzb", RandomBytes(1 << 16, 11)},
        {"nuls.rzb", nuls},
        {"utf8.rzb", invalidUtf8},
        {"longline.rzb", "\"" + std::string(10 << 20, 'a') + "\" \"" + temp.Path() + "out/\" KEEPLAST:1\r\n"},
        {"unclosed.rzb", "\"" + std::string(10 << 20, 'b')},
    };
    for (const auto& [name, content] : cases)
        ExpectSurvived(program.Run({temp.Write(name, content)}), name);
    EXPECT_FALSE(Exists(temp / "out"));
}

TEST_F(BadInputTest, AHundredThousandLinesAreAllRead)
{
    temp.Write("data/A.RZT");
    std::string lines;
    for (int i = 0; i < 100000; ++i)
        lines += "   \r";
    lines += "\"" + (temp / "data/A.RZT") + "\" \"" + (temp / "out/") + "\"\r\n";
    const Result result = program.Run({temp.Write("many.rzb", lines)});
    ExpectSurvived(result, "many.rzb");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(FolderNames(temp / "out").size(), 1u);
}

TEST_F(BadInputTest, PathsLongerThanTheSystemAllowsAreLogged)
{
    temp.Write("data/A.RZT");
    std::string deep;
    for (int i = 0; i < 20; ++i)
        deep += std::string(250, 'd') + "/";
    const std::string tooLongName = std::string(300, 'n');
    const Names jobs[] = {
        {temp / "data", temp / deep},
        {temp / "data", temp / (tooLongName + "/")},
        {temp / (deep + "*.RZT"), temp / "out"},
        {temp / (tooLongName + ".RZT"), temp / "out"},
        {temp / deep + "x.rzb"},
    };
    for (const auto& job : jobs)
        ExpectSurvived(program.Run(job), job[0].substr(0, 80));
    // The two targets that cannot exist were reported, once each.
    EXPECT_GE(LogEntries(logPath).size(), 2u);
    EXPECT_FALSE(Exists(temp / "out"));
}

TEST_F(BadInputTest, KeepLastAtAndBeyondThe32BitLimits)
{
    temp.Write("data/A.RZT");
    const std::pair<std::string, int> cases[] = {
        {"2147483647", 0},
        {"2147483648", 1},
        {"-2147483648", 0},
        {"-2147483649", 1},
        {"4294967296", 1},
        {"99999999999999999999", 1},
        {"0000000000002147483647", 0},
    };
    for (const auto& [value, status] : cases) {
        // One target each: two archives of one data file in the same second would collide.
        const Result result = program.Run({temp / "data", temp / ("out" + value), "KEEPLAST:" + value});
        ExpectSurvived(result, value);
        EXPECT_EQ(result.status, status) << value << ReadFile(logPath);
    }
}

} // namespace
} // namespace ze6::test
