#include "platform/FileSystem.h"

#include <gtest/gtest.h>

namespace ze6::FileSystem {
namespace {

TEST(MatchesWildcard, QuestionMarksStarsCaseAndCharactersBeyondAscii)
{
    const std::tuple<std::string, std::string, bool> cases[] = {
        // Trailing question marks may match nothing, others exactly one character.
        {"plant1.rzt", "*.RZT?", true},
        {"plant1.rzt66", "*.RZT?", false},
        {"ab", "ab??", true},
        {"abcd", "ab??", true},
        {"abcde", "ab??", false},
        {"ac", "a?c", false},
        {"b", "*?", true},
        {"a", "?*b", false},
        {"", "*", true},
        {"x", "", false},
        {"ABC_2026-01-01-00-00-00.rzz", "abc_*.RZZ", true},
        {"ABC_2026.rzz.bak", "abc_*.RZZ", false},
        {"abxb", "a*b?", true},
        {"\xC3\xA4.rzt", "?.RZT", true},   // one character of two bytes
        {"caf\xE9.rzt", "CAF?.rzt", true}, // not UTF-8: byte for byte
        {"caf\xE9.rzt", "CAF\xC3\xA9.rzt", false},
    };
    for (const auto& [name, pattern, matches] : cases)
        EXPECT_EQ(MatchesWildcard(name, pattern), matches) << name << " ~ " << pattern;
}

TEST(MatchesWildcard, ManyStarsAgainstALongNameDoNotBacktrackWithoutEnd)
{
    const std::string name(5000, 'a');
    EXPECT_FALSE(MatchesWildcard(name, "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(MatchesWildcard(name + "b", "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(FoldCase, FoldsAsciiAndUnicodeAndKeepsInvalidBytes)
{
    EXPECT_EQ(FoldCase("PLANT1.RzT6"), "plant1.rzt6");
    EXPECT_EQ(FoldCase("\xC3\x84RGER"), "\xC3\xA4rger");         // Ä -> ä
    EXPECT_EQ(FoldCase("\xCE\xA3\xCE\xA9"), "\xCF\x83\xCF\x89"); // ΣΩ -> σω
    EXPECT_EQ(FoldCase("A\xFF"
                       "B\xC3"),
              "a\xFF"
              "b\xC3");                                    // not UTF-8: bytes stay
    EXPECT_EQ(FoldCase("\xED\xA0\x80X"), "\xED\xA0\x80x"); // an encoded surrogate
    EXPECT_TRUE(EqualIgnoringCase("\xE2\x84\xAA", "k"));   // Kelvin sign
    EXPECT_TRUE(EqualIgnoringCase("x\xC3\x84y", "X\xC3\xA4Y"));
    EXPECT_FALSE(EqualIgnoringCase("a\xFF", "a\xFE"));
    EXPECT_FALSE(EqualIgnoringCase("\xC3\xA4", "\xC3"));
}

} // namespace
} // namespace ze6::FileSystem
