#include "ui/editor/EntryValidation.h"

#include <gtest/gtest.h>

namespace ze6::EntryValidation {
namespace {

TEST(EntryValidationTest, FolderGetsExactlyOneSeparator)
{
    EXPECT_EQ(FolderWithSeparator(QStringLiteral("/data")), QStringLiteral("/data/"));
    EXPECT_EQ(FolderWithSeparator(QStringLiteral("/data//")), QStringLiteral("/data/"));
    EXPECT_EQ(FolderWithSeparator(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(EntryValidationTest, KeepLastIsANumberRoundedHalfToEvenThatFitsIn32Bits)
{
    for (const char* text : {"5", "+5", "-1", "2.5", ".5", "5.", "1e3", "1E+3", "2d1", "007"})
        EXPECT_TRUE(IsNumericText(text)) << text;
    for (const char* text : {"", "abc", "5a", "1,000", "2.5.1", "-", ".", "1e", "e5", "5 5", "0x10"})
        EXPECT_FALSE(IsNumericText(text)) << text;

    using V = KeepLastVerdict;
    const std::pair<const char*, KeepLastResult> cases[] = {
        {"", {V::Accepted, 0}},
        {"0", {V::Accepted, 0}},
        {" 5 ", {V::Accepted, 5}},
        {"2.5", {V::Accepted, 2}},
        {"3.5", {V::Accepted, 4}},
        {"1e2", {V::Accepted, 100}},
        {"2147483647", {V::Accepted, 2147483647}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(CheckKeepLast(text), expected) << text;
    const std::pair<const char*, V> refused[] = {
        {"-1", V::Negative},
        {"abc", V::NotNumeric},
        {"5 generations", V::NotNumeric},
        {"2147483648", V::TooLarge},
        {"99999999999999999999", V::TooLarge},
        {"1e400", V::TooLarge},
    };
    for (const auto& [text, verdict] : refused)
        EXPECT_EQ(CheckKeepLast(text).verdict, verdict) << text;
}

} // namespace
} // namespace ze6::EntryValidation
