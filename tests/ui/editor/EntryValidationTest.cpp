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

// The number itself is read as the job line reads it; the editor adds its own
// test of what counts as a number (the window tests cover the messages).
TEST(EntryValidationTest, KeepLastIsNumericTextOrBlank)
{
    for (const char* text : {"5", "+5", "-1", "2.5", ".5", "5.", "1e3", "1E+3", "2d1", "007"})
        EXPECT_TRUE(IsNumericText(text)) << text;
    for (const char* text : {"", "abc", "5a", "1,000", "2.5.1", "-", ".", "1e", "e5", "5 5", "0x10"})
        EXPECT_FALSE(IsNumericText(text)) << text;

    using V = KeepLastVerdict;
    const std::pair<const char*, KeepLastResult> cases[] = {{"   ", {V::Accepted, 0}},
                                                            {" 2.5 ", {V::Accepted, 2}},
                                                            {"-0.4", {V::Negative, 0}},
                                                            {"5 generations", {V::NotNumeric, 0}},
                                                            {"1e400", {V::TooLarge, 0}}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(CheckKeepLast(text), expected) << text;
}

} // namespace
} // namespace ze6::EntryValidation
