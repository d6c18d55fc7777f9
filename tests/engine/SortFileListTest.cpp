#include "engine/Pruning.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <random>

namespace ze6::modDAZadaro {
namespace {

int Compare(const std::string& a, const std::string& b, CompareMode mode)
{
    if (mode == CompareMode::Text)
        return FileSystem::FoldCase(a).compare(FileSystem::FoldCase(b));
    return a.compare(b);
}

// The insertion sort as a reader would write it from its description: each
// string goes directly after every entry that compares less than or equal.
std::vector<std::string> ReferenceInsertionSort(const std::vector<std::string>& list, CompareMode mode)
{
    std::vector<std::string> result;
    for (const auto& s : list) {
        std::size_t k = 0;
        while (k < result.size() && Compare(result[k], s, mode) <= 0)
            ++k;
        result.insert(result.begin() + static_cast<std::ptrdiff_t>(k), s);
    }
    return result;
}

TEST(SortFileList, StableAndCaseBlindInTextMode)
{
    const std::vector<std::string> list = {"b", "A", "a", "B", "a"};
    EXPECT_EQ(SortFileList(list, CompareMode::Text), (std::vector<std::string>{"A", "a", "a", "b", "B"}));
    EXPECT_EQ(SortFileList(list, CompareMode::Binary), (std::vector<std::string>{"A", "B", "a", "a", "b"}));
    EXPECT_EQ(list, (std::vector<std::string>{"b", "A", "a", "B", "a"}));  // input untouched
    EXPECT_TRUE(SortFileList({}, CompareMode::Text).empty());

    // Archive names of one series sort oldest first whatever their letter case.
    EXPECT_EQ(SortFileList({"/t/abc_2024-03-07-14-05-09.rzz", "/t/ABC_2023-12-31-23-59-59.RZZ",
                            "/t/Abc_2024-03-07-14-05-08.Rzz"},
                           CompareMode::Text),
              (std::vector<std::string>{"/t/ABC_2023-12-31-23-59-59.RZZ", "/t/Abc_2024-03-07-14-05-08.Rzz",
                                        "/t/abc_2024-03-07-14-05-09.rzz"}));
    // Binary mode compares bytes, above 0x7F included.
    EXPECT_EQ(SortFileList({"\xc3\xa9", "z", "Z"}, CompareMode::Binary),
              (std::vector<std::string>{"Z", "z", "\xc3\xa9"}));
}

TEST(SortFileList, SameOrderAsTheInsertionSortOnRandomLists)
{
    std::mt19937 random(20240307);
    const std::string alphabet = "aAbB_-0";
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> list(random() % 40);
        for (auto& text : list) {
            text.resize(random() % 4);
            for (char& c : text)
                c = alphabet[random() % alphabet.size()];
        }
        for (const auto mode : {CompareMode::Text, CompareMode::Binary})
            ASSERT_EQ(SortFileList(list, mode), ReferenceInsertionSort(list, mode)) << "round " << round;
    }
}

}  // namespace
}  // namespace ze6::modDAZadaro
