#include "platform/archive/ArchiveEntryNames.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(ArchiveEntryNames, NumbersLaterNamesThatEqualAnEarlierOneIgnoringCase)
{
    EXPECT_EQ(ArchiveEntryNames({"a.rzd", "A.RZD", "a (2).rzd", "a.rzd", "b.rzd"}),
              (std::vector<std::string>{"a.rzd", "A (2).RZD", "a (2) (2).rzd", "a (3).rzd", "b.rzd"}));
    EXPECT_EQ(ArchiveEntryNames({"notes", "NOTES", ".profile", ".Profile", "x.tar.gz", "X.TAR.GZ"}),
              (std::vector<std::string>{"notes", "NOTES (2)", ".profile", ".Profile (2)", "x.tar.gz", "X.TAR (2).GZ"}));
    EXPECT_EQ(ArchiveEntryNames({"..\\..\\evil.rzd"}), std::vector<std::string>{".._.._evil.rzd"});
}

} // namespace
} // namespace ze6
