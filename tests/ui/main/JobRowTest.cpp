#include "ui/main/JobRow.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(GetCommandLine, QuotesTrimmedCellsAndAlwaysWritesTheKeepLastMarker)
{
    EXPECT_EQ(GetCommandLine({"/rz/data/*.RZT", "/rz/backup/", "5"}), "\"/rz/data/*.RZT\" \"/rz/backup/\" KEEPLAST:5");
    // An empty cell keeps everything: the marker stays with nothing after it.
    EXPECT_EQ(GetCommandLine({"/données/", "/b/", ""}), "\"/données/\" \"/b/\" KEEPLAST:");
    // Blanks at the ends go, blanks inside stay; a tab is not a blank.
    EXPECT_EQ(GetCommandLine({"  /my data/  ", " /to/ ", " 7 "}), "\"/my data/\" \"/to/\" KEEPLAST:7");
    EXPECT_EQ(GetCommandLine({"\t/a/", "   ", ""}), "\"\t/a/\" \"\" KEEPLAST:");
}

} // namespace
} // namespace ze6
