#include "platform/files/FileSystem.h"

#include <gtest/gtest.h>

namespace ze6::FileSystem {
namespace {

// `both` is "name pattern".
bool Matches(const std::string& both)
{
    const auto space = both.find(' ');
    return MatchesWildcard(both.substr(0, space), both.substr(space + 1));
}

TEST(MatchesWildcard, QuestionMarksStarsCaseAndCharactersBeyondAscii)
{
    // Trailing question marks may match nothing, others exactly one character;
    // a character may take several bytes; names that are not UTF-8 match byte for byte.
    for (const char* both : {"plant1.rzt *.RZT?", "ab ab??", "abcd ab??", "b *?", " *", "abxb a*b?",
                             "ABC_2026-01-01-00-00-00.rzz abc_*.RZZ", "\xC3\xA4.rzt ?.RZT", "caf\xE9.rzt CAF?.rzt"})
        EXPECT_TRUE(Matches(both)) << both;
    for (const char* both : {"plant1.rzt66 *.RZT?", "abcde ab??", "ac a?c", "a ?*b", "x ", "ABC_2026.rzz.bak abc_*.RZZ",
                             "caf\xE9.rzt CAF\xC3\xA9.rzt"})
        EXPECT_FALSE(Matches(both)) << both;
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
