#include "engine/JobLineParser.h"
#include "platform/RuntimeError.h"

#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

std::string SyntaxErrorOf(std::string_view line)
{
    const auto parsed = ParseJobLine(line);
    const auto* error = std::get_if<JobLineSyntaxError>(&parsed);
    return error != nullptr ? error->Message : std::string("(parsed)");
}

JobLineParts PartsOf(std::string_view line)
{
    const auto parsed = ParseJobLine(line);
    EXPECT_TRUE(std::holds_alternative<JobLineParts>(parsed)) << line;
    return std::holds_alternative<JobLineParts>(parsed) ? std::get<JobLineParts>(parsed) : JobLineParts{};
}

TEST(ParseJobLine, EachMalformedLineGetsItsMessage)
{
    const std::string sourceQuote = "ERROR - Missing Quote in SourcePath!";
    const std::string target = "ERROR - Missing TargetPath!";
    const std::string targetQuote = "ERROR - Missing Quote in TargetPath!";

    EXPECT_EQ(SyntaxErrorOf(""), sourceQuote);
    EXPECT_EQ(SyntaxErrorOf(" "), sourceQuote);
    EXPECT_EQ(SyntaxErrorOf(" \"/d/\" \"/t/\""), sourceQuote);  // callers other than the runner do not trim
    EXPECT_EQ(SyntaxErrorOf("\t\"/d/\" \"/t/\""), sourceQuote);
    EXPECT_EQ(SyntaxErrorOf("/d/ /t/"), sourceQuote);
    EXPECT_EQ(SyntaxErrorOf("\"/d/ /t/"), sourceQuote);
    EXPECT_EQ(SyntaxErrorOf("\""), sourceQuote);

    EXPECT_EQ(SyntaxErrorOf("\"/d/\""), target);
    EXPECT_EQ(SyntaxErrorOf("\"/d/\"    "), target);
    EXPECT_EQ(SyntaxErrorOf("\"\""), target);

    EXPECT_EQ(SyntaxErrorOf("\"/d/\" /t/"), targetQuote);
    EXPECT_EQ(SyntaxErrorOf("\"/d/\" \t\"/t/\""), targetQuote);  // only blanks are skipped
    EXPECT_EQ(SyntaxErrorOf("\"/d/\" \"/t/"), targetQuote);
    EXPECT_EQ(SyntaxErrorOf("\"/d/\" \""), targetQuote);
}

TEST(ParseJobLine, SplitsSourceTargetAndOptions)
{
    EXPECT_EQ(PartsOf("\"/data/*.RZT\" \"/backup/\" KEEPLAST:5"), (JobLineParts{"/data/*.RZT", "/backup/", "KEEPLAST:5"}));
    EXPECT_EQ(PartsOf("\"/d\"\"/t\""), (JobLineParts{"/d", "/t", ""}));
    EXPECT_EQ(PartsOf("\"\"   \"\"   "), (JobLineParts{"", "", ""}));
    EXPECT_EQ(PartsOf("\"/a b/\"   \"/c d/\"   junk  KEEPLAST: 3  "),
              (JobLineParts{"/a b/", "/c d/", "junk  KEEPLAST: 3"}));
    // A "KEEPLAST:" inside the source's quotes is part of the path, not an option.
    EXPECT_EQ(PartsOf("\"/x KEEPLAST:4/\" \"/t/\""), (JobLineParts{"/x KEEPLAST:4/", "/t/", ""}));
    // A lone LF is ordinary text inside a line.
    EXPECT_EQ(PartsOf("\"/d/\" \"/t/\" KEEPLAST:1\n\"/e/\" \"/u/\" KEEPLAST:2"),
              (JobLineParts{"/d/", "/t/", "KEEPLAST:1\n\"/e/\" \"/u/\" KEEPLAST:2"}));
}

TEST(KeepLastFromOptions, ReadsTheLeadingNumberAfterTheFirstOption)
{
    const std::pair<std::string, std::int32_t> cases[] = {
        {"", 0},
        {"KEEPLAST:", 0},
        {"KEEPLAST:0", 0},
        {"KEEPLAST:5", 5},
        {"keeplast:5", 5},
        {"KeepLast:7 KEEPLAST:9", 7},
        {"junk before KEEPLAST:3", 3},
        {"KEEPLAST: 5", 5},
        {"KEEPLAST:1 2", 12},
        {"KEEPLAST:-3", 0},
        {"KEEPLAST:abc", 0},
        {"KEEPLAST:2.5", 2},
        {"KEEPLAST:3.5", 4},
        {"KEEPLAST:2.51", 3},
        {"KEEPLAST:&H1F", 31},
        {"KEEPLAST:&o17", 15},
        {"KEEPLAST:1E3", 1000},
        {"KEEPLAST:1D2", 100},
        {"KEEPLAST:12abc", 12},
        {"KEEPLAST:2147483647", 2147483647},
        {"KEEPLAST:-2147483648", 0},
        {"KEEP LAST:5", 0},
    };
    for (const auto& [options, expected] : cases)
        EXPECT_EQ(KeepLastFromOptions(options), expected) << options;
}

TEST(KeepLastFromOptions, ValuesOutsideTheRangeOverflow)
{
    for (const std::string& options : std::vector<std::string>{"KEEPLAST:2147483648", "KEEPLAST:-2147483649", "KEEPLAST:1e999999", "KEEPLAST:&H100000000",
          "KEEPLAST:2147483647.5", "KEEPLAST:" + std::string(100000, '9')}) {
        try {
            KeepLastFromOptions(options);
            ADD_FAILURE() << "no overflow for " << options.substr(0, 40);
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), 6);
            EXPECT_EQ(error.Description(), "Overflow");
            EXPECT_EQ(error.Source(), "ZE6Vivevu");
        }
    }
}

TEST(ClassifySource, FilesOrFolder)
{
    EXPECT_EQ(ClassifySource("/data/*.RZT"), (JobSource{"/data/", "/data/*.RZT"}));
    EXPECT_EQ(ClassifySource("/data/*.rzt?"), (JobSource{"/data/", "/data/*.rzt?"}));
    EXPECT_EQ(ClassifySource("/data/ABC.rzt6"), (JobSource{"/data/", "/data/ABC.rzt6"}));
    EXPECT_EQ(ClassifySource("/data/sub.d/ABC.Rzt"), (JobSource{"/data/sub.d/", "/data/sub.d/ABC.Rzt"}));
    EXPECT_EQ(ClassifySource("*.RZT"), (JobSource{"", "*.RZT"}));
    EXPECT_EQ(ClassifySource("/data"), (JobSource{"/data/", "/data/*.rzt?"}));
    EXPECT_EQ(ClassifySource("/data/"), (JobSource{"/data/", "/data/*.rzt?"}));
    // A question mark without the asterisk is not a file specification.
    EXPECT_EQ(ClassifySource("/d/A.RZT?"), (JobSource{"/d/A.RZT?/", "/d/A.RZT?/*.rzt?"}));
    EXPECT_EQ(ClassifySource("/d/ABC.RZT5"), (JobSource{"/d/ABC.RZT5/", "/d/ABC.RZT5/*.rzt?"}));
    EXPECT_EQ(ClassifySource(""), (JobSource{"/", "/*.rzt?"}));
}

}  // namespace
}  // namespace ze6::modDAZadaro
