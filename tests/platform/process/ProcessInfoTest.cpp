#include "platform/process/ProcessInfo.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(RebuildCommandText, QuotesTheFirstTwoArgumentsWhenNeitherHoldsAQuote)
{
    EXPECT_EQ(RebuildCommandText({}), "");
    EXPECT_EQ(RebuildCommandText({"/?"}), "/?");
    EXPECT_EQ(RebuildCommandText({"\"/a b/\" \"/c/\" KEEPLAST:1"}), "\"/a b/\" \"/c/\" KEEPLAST:1");
    EXPECT_EQ(RebuildCommandText({"/data/*.RZT", "/backup/", "KEEPLAST:5"}), "\"/data/*.RZT\" \"/backup/\" KEEPLAST:5");
    EXPECT_EQ(RebuildCommandText({"/data/my jobs", "/backup/"}), "\"/data/my jobs\" \"/backup/\"");
    // A quote in either of the first two means the user quoted on purpose: leave all as typed.
    EXPECT_EQ(RebuildCommandText({"\"/data/\"", "/b/", "x"}), "\"/data/\" /b/ x");
}

} // namespace
} // namespace ze6
