#include "engine/Job.h"
#include "engine/ConfigLineReader.h"
#include "engine/LeadingNumber.h"
#include "support/RaisedNumber.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

namespace ze6::modDAZadaro {
namespace {

using Strings = std::vector<std::string>;

std::string Parse(std::string_view line)
{
    const auto parsed = ParseJobLine(line);
    if (const auto* error = std::get_if<JobLineSyntaxError>(&parsed))
        return error->Message;
    const auto& job = std::get<Job>(parsed);
    return "[" + job.Source + "][" + job.Target + "][" + std::to_string(job.Retention.KeepLastCount) + "]";
}

TEST(ParseJobLine, MessagesAndValues)
{
    const std::string source = "ERROR - Missing Quote in SourcePath!", target = "ERROR - Missing TargetPath!",
                      targetQuote = "ERROR - Missing Quote in TargetPath!";
    const std::pair<std::string, std::string> cases[] = {
        {"", source},
        {" \"/d/\" \"/t/\"", source},
        {"/d/ /t/", source},
        {"\"/d/\"", target},
        {"\"/d/\" /t/", targetQuote},
        {"\"/d/\" \t\"/t/\"", targetQuote},
        {"\"/d\"\"/t\"", "[/d][/t][0]"},
        {"\"\"   \"\"   ", "[][][0]"},
        {"\"/a b/\"  \"/c d/\"  junk KEEPLAST: 3  ", "[/a b/][/c d/][3]"},
        {"\"/x KEEPLAST:4/\" \"/t/\"", "[/x KEEPLAST:4/][/t/][0]"}};
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(Parse(line), expected) << line;
}

// The runner's reading of the text after the target.
std::int32_t KeepLastFromOptions(const std::string& options)
{
    return std::get<Job>(ParseJobLine("\"/s/\" \"/t/\" " + options)).Retention.KeepLastCount;
}

TEST(ParseJobLine, RunnerReadsTheLeadingNumberAfterTheFirstKeepLast)
{
    const std::pair<std::string, std::int32_t> cases[] = {{"", 0},
                                                          {"KEEPLAST:", 0},
                                                          {"keeplast:5", 5},
                                                          {"KeepLast:7 KEEPLAST:9", 7},
                                                          {"KEEPLAST: 5", 5},
                                                          {"KEEPLAST:1 2", 12},
                                                          {"KEEPLAST:-3", 0},
                                                          {"KEEPLAST:2.5", 2},
                                                          {"KEEPLAST:3.5", 4},
                                                          {"KEEPLAST:&H1F", 31},
                                                          {"KEEPLAST:1E3", 1000},
                                                          {"KEEPLAST:25e-1", 2},
                                                          {"KEEPLAST:. 5E1", 5},
                                                          {"KEEPLAST:1\t2\n3", 123},
                                                          {"KEEPLAST:3\r4", 3},
                                                          {"KEEPLAST:1,000", 1},
                                                          {"KEEPLAST:& h 1 f", 31},
                                                          {"KEEPLAST:&X1", 0},
                                                          {"KEEPLAST:2147483647", 2147483647},
                                                          {"KEEPLAST:-2147483648.5", 0},
                                                          {"KEEPLAST:0." + std::string(5000, '0') + "1e5001", 1},
                                                          {"KEEP LAST:5", 0}};
    for (const auto& [options, expected] : cases)
        EXPECT_EQ(KeepLastFromOptions(options), expected) << options.substr(0, 40);

    const Strings overflowing = {"KEEPLAST:2147483648", "KEEPLAST:-2147483649", "KEEPLAST:1e999999",
                                 "KEEPLAST:&H80000000", "KEEPLAST:" + std::string(10 << 20, '9')};
    for (const auto& options : overflowing)
        EXPECT_EQ(test::RaisedNumber([&] { KeepLastFromOptions(options); }, "ZE6Vivevu"), 6) << options.substr(0, 40);
    EXPECT_TRUE(std::isinf(ReadLeadingNumber("&H" + std::string(100000, 'F'))));
    EXPECT_EQ(RoundToInt32(-3.5), -4);
}

// The calendar rules and IFCHANGED, in both readings: what each line gives
// as rules "last daily weekly monthly yearly" and a trailing "+" for
// IFCHANGED, or its error, and the line written back.
TEST(ParseJobLine, CalendarRulesAndIfChangedAreReadStrictlyAndWrittenInOrder)
{
    const std::string daily = "ERROR - KEEPDAILY: needs a whole number from 1 to 1000000!";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"KEEPLAST:3", "3 0 0 0 0", "KEEPLAST:3"},
        {"ifchanged keepyearly:2 KeepMonthly:12 KEEPWEEKLY:4 keepdaily:7 KEEPLAST:5", "5 7 4 12 2+",
         "KEEPLAST:5 KEEPDAILY:7 KEEPWEEKLY:4 KEEPMONTHLY:12 KEEPYEARLY:2 IFCHANGED"},
        // KEEPLAST: reads past its blank to the next number, never into a word.
        {"KEEPLAST: KEEPDAILY:7\tjunk", "0 7 0 0 0", "KEEPLAST: KEEPDAILY:7"},
        {"KEEPDAILY:1000000 KEEPWEEKLY:007", "0 1000000 7 0 0", "KEEPLAST: KEEPDAILY:1000000 KEEPWEEKLY:7"},
        {"XKEEPDAILY:0 IFCHANGEDX KEEPDAILYX:1 IF CHANGED", "0 0 0 0 0", "KEEPLAST:"},
        {"KEEPDAILY:", daily, ""},
        {"KEEPDAILY:0", daily, ""},
        {"KEEPDAILY:7x", daily, ""},
        {"KEEPDAILY:-1", daily, ""},
        {"KEEPDAILY: 7", daily, ""},
        {"KEEPDAILY:1000001", daily, ""},
        {"KEEPDAILY:99999999999999999999", daily, ""},
        {"KEEPYEARLY:1.5", "ERROR - KEEPYEARLY: needs a whole number from 1 to 1000000!", ""},
        {"KEEPWEEKLY:2 keepweekly:2", "ERROR - KEEPWEEKLY: given more than once!", ""},
        {"IFCHANGED KEEPLAST:1 IfChanged", "ERROR - IFCHANGED given more than once!", ""}};
    for (const auto& reading : {KeepLastReading::AnywhereAfterTarget, KeepLastReading::RightAfterTarget}) {
        for (const auto& [options, expected, written] : cases) {
            if (reading == KeepLastReading::RightAfterTarget && !options.starts_with("KEEPLAST:") &&
                expected.front() != 'E')
                continue;
            const auto parsed = ParseJobLine("\"/s/\" \"/t/\" " + options, reading);
            if (const auto* error = std::get_if<JobLineSyntaxError>(&parsed)) {
                EXPECT_EQ(error->Message, expected) << options;
                continue;
            }
            const Job& job = std::get<Job>(parsed);
            const RetentionRules& rules = job.Retention;
            EXPECT_EQ(std::to_string(rules.KeepLastCount) + " " + std::to_string(rules.KeepDailyCount) + " " +
                          std::to_string(rules.KeepWeeklyCount) + " " + std::to_string(rules.KeepMonthlyCount) + " " +
                          std::to_string(rules.KeepYearlyCount) + (job.IfChanged ? "+" : ""),
                      expected)
                << options;
            EXPECT_EQ(FormatJobLine(job), "\"/s/\" \"/t/\" " + written) << options;
            EXPECT_EQ(std::get<Job>(ParseJobLine(FormatJobLine(job), KeepLastReading::RightAfterTarget)), job);
        }
    }
}

TEST(ClassifySource, FilesOrFolder)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/data/*.RZT", "/data/ | /data/*.RZT"}, {"/d.x/ABC.rzt6", "/d.x/ | /d.x/ABC.rzt6"},     {"*.RZT", " | *.RZT"},
        {"/data", "/data/ | /data/*.rzt?"},      {"/d/A.RZT?", "/d/A.RZT?/ | /d/A.RZT?/*.rzt?"}, {"", "/ | /*.rzt?"}};
    for (const auto& [source, expected] : cases) {
        const JobSource classified = ClassifySource(source);
        EXPECT_EQ(classified.SourceFolder + " | " + classified.FilePattern, expected);
    }
}

TEST(ParseJobLine, WindowReadsKeepLastOnlyRightAfterTheTargetAsWritten)
{
    const auto window = [](const std::string& options) {
        return std::get<Job>(ParseJobLine("\"/s/\" \"/t/\" " + options, KeepLastReading::RightAfterTarget))
            .Retention.KeepLastCount;
    };
    EXPECT_EQ(window("keeplast:7"), 7);
    EXPECT_EQ(window("KEEPLAST:-3"), -3);
    EXPECT_EQ(window("junk KEEPLAST:3"), 0);
    EXPECT_EQ(test::RaisedNumber([&] { window("KEEPLAST:2147483648"); }, "ZE6Vivevu"), 6);
}

TEST(GetCommandLine, QuotesTrimmedPathsAndAlwaysWritesTheKeepLastMarker)
{
    EXPECT_EQ(GetCommandLine({"/rz/data/*.RZT", "/rz/backup/", {5}}), "\"/rz/data/*.RZT\" \"/rz/backup/\" KEEPLAST:5");
    // Blanks at the ends go, blanks inside stay; a tab is not a blank.
    EXPECT_EQ(GetCommandLine({"  /my data/  ", " /to/ ", {7}}), "\"/my data/\" \"/to/\" KEEPLAST:7");
    EXPECT_EQ(GetCommandLine({"\t/a/", "   ", {}}), "\"\t/a/\" \"\" KEEPLAST:");
}

TEST(TargetFolderOf, ExactlyOneFinalSeparator)
{
    EXPECT_EQ(TargetFolderOf({"/s/", "/t", {}}), "/t/");
    EXPECT_EQ(TargetFolderOf({"/s/", "/t/", {}}), "/t/");
    EXPECT_EQ(TargetFolderOf({"/s/", "", {}}), "/");
}

TEST(ConfigLineReader, CrLfLoneCrAndLoneLfEachEndALine)
{
    const std::pair<std::string, Strings> cases[] = {{"", {}},
                                                     {"one\r\ntwo\r\n", {"one", "two"}},
                                                     {"one\rtwo", {"one", "two"}},
                                                     {"one\ntwo\n", {"one", "two"}},
                                                     {"a\r\r\nb\n\r  \n\n", {"a", "", "b", "", "  ", ""}},
                                                     {std::string("x\0\xff\r\n", 5), {std::string("x\0\xff", 3)}}};
    for (const auto& [content, expected] : cases) {
        std::istringstream input(content);
        ConfigLineReader reader(input);
        Strings lines;
        for (std::string line; reader.Next(line);)
            lines.push_back(line);
        EXPECT_EQ(lines, expected);
    }
}

} // namespace
} // namespace ze6::modDAZadaro
