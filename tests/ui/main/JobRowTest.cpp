#include "ui/main/JobRow.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(GetCommandLine, QuotesTrimmedCellsAndAlwaysWritesTheKeepLastMarker)
{
    EXPECT_EQ(GetCommandLine({"/rz/data/*.RZT", "/rz/backup/", "5"}), "\"/rz/data/*.RZT\" \"/rz/backup/\" KEEPLAST:5");
    // An empty cell means keep everything: the marker stays, with nothing after it.
    EXPECT_EQ(GetCommandLine({"/rz/data/", "/rz/backup/", ""}), "\"/rz/data/\" \"/rz/backup/\" KEEPLAST:");
    // Blanks at the ends go, blanks inside stay; tabs are not blanks.
    EXPECT_EQ(GetCommandLine({"  /my data/  ", " /to/ ", " 7 "}), "\"/my data/\" \"/to/\" KEEPLAST:7");
    EXPECT_EQ(GetCommandLine({"\t/a/", "/b/\t", "   "}), "\"\t/a/\" \"/b/\t\" KEEPLAST:");
    EXPECT_EQ(GetCommandLine({"", "", ""}), "\"\" \"\" KEEPLAST:");
}

TEST(GetCommandLine, KeepsUtf8NamesByteForByte)
{
    EXPECT_EQ(GetCommandLine({"/données/Ünit.RZT", "/sauvegarde/", "-3"}),
              "\"/données/Ünit.RZT\" \"/sauvegarde/\" KEEPLAST:-3");
}

} // namespace
} // namespace ze6
