#include "platform/FileSystem.h"

#include <gtest/gtest.h>

namespace ze6::FileSystem {
namespace {

TEST(MatchesWildcard, TrailingQuestionMarksMayMatchNothingElsewhereExactlyOneCharacter)
{
    EXPECT_TRUE(MatchesWildcard("plant1.rzt", "*.RZT?"));
    EXPECT_FALSE(MatchesWildcard("plant1.rzt66", "*.RZT?"));
    EXPECT_TRUE(MatchesWildcard("ab", "ab??"));
    EXPECT_TRUE(MatchesWildcard("abcd", "ab??"));
    EXPECT_FALSE(MatchesWildcard("abcde", "ab??"));
    EXPECT_FALSE(MatchesWildcard("ac", "a?c"));
    EXPECT_TRUE(MatchesWildcard("b", "*?"));
    EXPECT_FALSE(MatchesWildcard("a", "?*b"));
}

TEST(MatchesWildcard, StarsCaseAndCharactersBeyondAscii)
{
    EXPECT_TRUE(MatchesWildcard("", "*"));
    EXPECT_FALSE(MatchesWildcard("x", ""));
    EXPECT_TRUE(MatchesWildcard("ABC_2026-01-01-00-00-00.rzz", "abc_*.RZZ"));
    EXPECT_FALSE(MatchesWildcard("ABC_2026.rzz.bak", "abc_*.RZZ"));
    EXPECT_TRUE(MatchesWildcard("abxb", "a*b?"));
    // One "?" is one character, also when it takes several bytes.
    EXPECT_TRUE(MatchesWildcard("\xC3\xA4.rzt", "?.RZT"));
    // Names that are not UTF-8 still match byte for byte.
    EXPECT_TRUE(MatchesWildcard("caf\xE9.rzt", "CAF?.rzt"));
    EXPECT_FALSE(MatchesWildcard("caf\xE9.rzt", "CAF\xC3\xA9.rzt"));
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
