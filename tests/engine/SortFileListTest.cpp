#include "engine/Pruning.h"

#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

using Strings = std::vector<std::string>;

TEST(SortFileList, StableCaseBlindTextModeAndByteExactBinaryMode)
{
    const Strings list = {"b", "A", "a", "B", "a", "\xc3\xa9"};
    EXPECT_EQ(SortFileList(list, CompareMode::Text), (Strings{"A", "a", "a", "b", "B", "\xc3\xa9"}));
    EXPECT_EQ(SortFileList(list, CompareMode::Binary), (Strings{"A", "B", "a", "a", "b", "\xc3\xa9"}));
}

} // namespace
} // namespace ze6::modDAZadaro
