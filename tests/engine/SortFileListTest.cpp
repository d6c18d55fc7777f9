#include "engine/Pruning.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace ze6::modDAZadaro {
namespace {

using Strings = std::vector<std::string>;

TEST(SortFileList, StableCaseBlindTextModeAndByteExactBinaryMode)
{
    const Strings list = {"b", "A", "a", "B", "a", "\xc3\xa9"};
    EXPECT_EQ(SortFileList(list, CompareMode::Text), (Strings{"A", "a", "a", "b", "B", "\xc3\xa9"}));
    EXPECT_EQ(SortFileList(list, CompareMode::Binary), (Strings{"A", "B", "a", "a", "b", "\xc3\xa9"}));

    // Lists long enough that an unstable sort would show.
    std::mt19937 random(20240307);
    const std::string alphabet = "aAbB_-0";
    for (int round = 0; round < 300; ++round) {
        Strings randomList(random() % 40);
        for (auto& text : randomList) {
            text.resize(random() % 4);
            for (char& c : text)
                c = alphabet[random() % alphabet.size()];
        }
        Strings expected = randomList;
        std::stable_sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
            return FileSystem::FoldCase(a) < FileSystem::FoldCase(b);
        });
        ASSERT_EQ(SortFileList(randomList, CompareMode::Text), expected) << round;
        std::stable_sort(expected.begin(), expected.end());
        ASSERT_EQ(SortFileList(randomList, CompareMode::Binary), expected) << round;
    }
}

} // namespace
} // namespace ze6::modDAZadaro
