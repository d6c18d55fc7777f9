#include "engine/Pruning.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <random>

namespace ze6::modDAZadaro {
namespace {

using Strings = std::vector<std::string>;

// The insertion sort written straight from its description: each string goes
// directly after every entry that compares less than or equal to it.
Strings ReferenceInsertionSort(const Strings& list, CompareMode mode)
{
    const auto key = [mode](const std::string& s) { return mode == CompareMode::Text ? FileSystem::FoldCase(s) : s; };
    Strings result;
    for (const auto& s : list) {
        std::size_t k = 0;
        while (k < result.size() && key(result[k]).compare(key(s)) <= 0)
            ++k;
        result.insert(result.begin() + static_cast<std::ptrdiff_t>(k), s);
    }
    return result;
}

TEST(SortFileList, StableCaseBlindTextModeAndByteExactBinaryMode)
{
    const Strings list = {"b", "A", "a", "B", "a", "\xc3\xa9"};
    EXPECT_EQ(SortFileList(list, CompareMode::Text), (Strings{"A", "a", "a", "b", "B", "\xc3\xa9"}));
    EXPECT_EQ(SortFileList(list, CompareMode::Binary), (Strings{"A", "B", "a", "a", "b", "\xc3\xa9"}));

    std::mt19937 random(20240307);
    const std::string alphabet = "aAbB_-0";
    for (int round = 0; round < 300; ++round) {
        Strings randomList(random() % 40);
        for (auto& text : randomList) {
            text.resize(random() % 4);
            for (char& c : text)
                c = alphabet[random() % alphabet.size()];
        }
        for (const auto mode : {CompareMode::Text, CompareMode::Binary})
            ASSERT_EQ(SortFileList(randomList, mode), ReferenceInsertionSort(randomList, mode)) << round;
    }
}

} // namespace
} // namespace ze6::modDAZadaro
