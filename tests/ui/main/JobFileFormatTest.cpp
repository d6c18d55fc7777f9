// The keep-last readings and the line reader come from the engine; the cases
// marked below need the real engine linked in (they fail against placeholders).
#include "ui/main/JobFileFormat.h"

#include <gtest/gtest.h>
#include <sstream>

namespace ze6 {
namespace {

TEST(FormatJobLine, WritesCellsAsTheyStandWithCrLf)
{
    EXPECT_EQ(FormatJobLine({"/rz/data/*.RZT", "/rz/backup/", "5"}),
              "\"/rz/data/*.RZT\" \"/rz/backup/\" KEEPLAST:5\r\n");
    EXPECT_EQ(FormatJobLine({" /a b/ ", "/c/", ""}), "\" /a b/ \" \"/c/\" KEEPLAST:\r\n");
    EXPECT_EQ(FormatJobFile({}), "");
    EXPECT_EQ(FormatJobFile({{"/a/", "/b/", ""}, {"/c/x.RZT", "/d/", "2"}}),
              "\"/a/\" \"/b/\" KEEPLAST:\r\n\"/c/x.RZT\" \"/d/\" KEEPLAST:2\r\n");
}

TEST(ParseJobLine, SkipsLinesThatAreNotCanonicalJobLines)
{
    for (const char* line : {
             "", "   ",
             " \"/a/\" \"/b/\" KEEPLAST:1", // indented: the command-line runner would trim, the window does not
             "\t\"/a/\" \"/b/\"", "rem \"/a/\" \"/b/\"",
             "\"/a/ \"/b/",            // the target has no closing quote
             "\"/a/",                  // the source has no closing quote
             "\"/a/\"",                // nothing after the source
             "\"/a/\"   ",             // only blanks after it
             "\"/a/\" /b/ KEEPLAST:1", // target not quoted
         }) {
        EXPECT_FALSE(ParseJobLine(line).has_value()) << '[' << line << ']';
    }
}

TEST(ParseJobLine, TakesSourceAndTargetAsTheyStandInsideTheirQuotes)
{
    EXPECT_EQ(ParseJobLine("\"/rz/data/*.RZT\" \"/rz/backup/\""), (JobRow{"/rz/data/*.RZT", "/rz/backup/", ""}));
    EXPECT_EQ(ParseJobLine("\" /my data/ \"    \" /to/ \""), (JobRow{" /my data/ ", " /to/ ", ""}));
    EXPECT_EQ(ParseJobLine("\"\" \"\""), (JobRow{"", "", ""}));
    EXPECT_EQ(ParseJobLine("\"/données/\" \"/sauvegarde/\""), (JobRow{"/données/", "/sauvegarde/", ""}));
    // Anything after the target that does not start with the marker is ignored.
    EXPECT_EQ(ParseJobLine("\"/a/\" \"/b/\" nightly KEEPLAST:5"), (JobRow{"/a/", "/b/", ""}));
    EXPECT_EQ(ParseJobLine("\"/a/\"\"/b/\"KEEPLAST"), (JobRow{"/a/", "/b/", ""}));
}

// Needs the engine's number reader.
TEST(ParseJobLine, ReadsTheKeepLastValueLikeTheEngine)
{
    const auto keepLast = [](const std::string& rest) {
        const auto row = ParseJobLine("\"/a/\" \"/b/\" " + rest);
        return row ? row->keepLast : std::string("<skipped>");
    };
    EXPECT_EQ(keepLast("KEEPLAST:5"), "5");
    EXPECT_EQ(keepLast("keeplast:7"), "7");
    EXPECT_EQ(keepLast("KeepLast:  9"), "9");
    EXPECT_EQ(keepLast("KEEPLAST:1 2"), "12");
    EXPECT_EQ(keepLast("KEEPLAST:2.5"), "2");
    EXPECT_EQ(keepLast("KEEPLAST:3.5"), "4");
    EXPECT_EQ(keepLast("KEEPLAST:-3"), "-3");
    EXPECT_EQ(keepLast("KEEPLAST:&H10"), "16");
    EXPECT_EQ(keepLast("KEEPLAST:4 generations"), "4");
    EXPECT_EQ(keepLast("KEEPLAST:0"), "");
    EXPECT_EQ(keepLast("KEEPLAST:"), "");
    EXPECT_EQ(keepLast("KEEPLAST:abc"), "");
    EXPECT_EQ(keepLast("KEEPLAST:2147483647"), "2147483647");
    EXPECT_EQ(keepLast("KEEPLAST:-2147483648"), "-2147483648");
    // A count beyond 32 bits means nothing: the line is left out.
    EXPECT_EQ(keepLast("KEEPLAST:2147483648"), "<skipped>");
    EXPECT_EQ(keepLast("KEEPLAST:1E30"), "<skipped>");
}

// Needs the engine's line reader.
TEST(ParseJobFile, ReadsCrLfAndLoneCrLinesAndKeepsOnlyAcceptedJobs)
{
    std::istringstream input("\"/a/\" \"/b/\" KEEPLAST:1\r\n"
                             "\r\n"
                             "not a job\r"
                             "\"/c/\" \"/d/\"\r"
                             " \"/e/\" \"/f/\"\r\n"
                             "\"/g/\" \"/h/\" KEEPLAST:3");
    EXPECT_EQ(ParseJobFile(input), (std::vector<JobRow>{{"/a/", "/b/", "1"}, {"/c/", "/d/", ""}, {"/g/", "/h/", "3"}}));
}

// Needs the engine's line reader and number reader.
TEST(ParseJobFile, BareLineFeedsDoNotEndALine)
{
    // One line: its keep-last reading skips the line feed and stops at the next quote.
    std::istringstream input("\"/a/\" \"/b/\" KEEPLAST:3\n\"/c/\" \"/d/\" KEEPLAST:4\n");
    EXPECT_EQ(ParseJobFile(input), (std::vector<JobRow>{{"/a/", "/b/", "3"}}));
}

// Needs the engine's line reader.
TEST(ParseJobFile, WhatTheWindowWritesItReadsBack)
{
    const std::vector<JobRow> rows{{" /my data/ ", "/to/", ""}, {"/données/x.RZT6", "/b/", "12"}, {"/a/", "", "-1"}};
    std::istringstream input(FormatJobFile(rows));
    EXPECT_EQ(ParseJobFile(input), rows);
}

} // namespace
} // namespace ze6
