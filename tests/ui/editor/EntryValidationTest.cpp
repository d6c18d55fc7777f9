#include "ui/editor/EntryValidation.h"

#include <gtest/gtest.h>

namespace ze6::EntryValidation {
namespace {

std::vector<FileGridRow> Rows(std::initializer_list<std::pair<const char*, bool>> rows)
{
    std::vector<FileGridRow> result;
    for (const auto& [name, ticked] : rows)
        result.push_back({QStringLiteral("description"), QString::fromUtf8(name), ticked});
    return result;
}

TEST(BuildSourceFilesTest, NoneAllOrSomeTicked)
{
    const QString folder = QStringLiteral("/data/");
    EXPECT_TRUE(BuildSourceFiles(folder, Rows({{"A.RZT", false}, {"B.RZT", false}})).isEmpty());
    EXPECT_EQ(BuildSourceFiles(folder, Rows({{"A.RZT", true}, {"B.RZT6", true}})),
              QStringList{QStringLiteral("/data/*.RZT?")});
    EXPECT_EQ(BuildSourceFiles(folder, Rows({{"C.RZT", true}, {"A.RZT", false}, {"b.rzt", true}})),
              (QStringList{QStringLiteral("/data/C.RZT"), QStringLiteral("/data/b.rzt")}));
}

TEST(BuildSourceFilesTest, FolderGetsExactlyOneSeparator)
{
    EXPECT_EQ(FolderWithSeparator(QStringLiteral("/data")), QStringLiteral("/data/"));
    EXPECT_EQ(FolderWithSeparator(QStringLiteral("/data//")), QStringLiteral("/data/"));
    EXPECT_EQ(FolderWithSeparator(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(KeepLastTest, NumericTextIsSignDigitsPointExponent)
{
    for (const char* text : {"5", "+5", "-1", "2.5", ".5", "5.", "1e3", "1E+3", "2d1", "007"})
        EXPECT_TRUE(IsNumericText(text)) << text;
    for (const char* text : {"", "abc", "5a", "1,000", "2.5.1", "-", ".", "1e", "e5", "5 5", "0x10"})
        EXPECT_FALSE(IsNumericText(text)) << text;
}

TEST(KeepLastTest, BlankZeroNegativeAndNonNumeric)
{
    using V = KeepLastVerdict;
    EXPECT_EQ(CheckKeepLast(""), (KeepLastResult{V::Accepted, 0}));
    EXPECT_EQ(CheckKeepLast("0"), (KeepLastResult{V::Accepted, 0}));
    EXPECT_EQ(CheckKeepLast(" 5 "), (KeepLastResult{V::Accepted, 5}));
    EXPECT_EQ(CheckKeepLast("-1").verdict, V::Negative);
    EXPECT_EQ(CheckKeepLast("abc").verdict, V::NotNumeric);
    EXPECT_EQ(CheckKeepLast("5 generations").verdict, V::NotNumeric);
}

TEST(KeepLastTest, RoundsHalfToEvenAndRefusesWhatDoesNotFit)
{
    using V = KeepLastVerdict;
    EXPECT_EQ(CheckKeepLast("2.5"), (KeepLastResult{V::Accepted, 2}));
    EXPECT_EQ(CheckKeepLast("3.5"), (KeepLastResult{V::Accepted, 4}));
    EXPECT_EQ(CheckKeepLast("1e2"), (KeepLastResult{V::Accepted, 100}));
    EXPECT_EQ(CheckKeepLast("2147483647"), (KeepLastResult{V::Accepted, 2147483647}));
    EXPECT_EQ(CheckKeepLast("2147483648").verdict, V::TooLarge);
    EXPECT_EQ(CheckKeepLast("99999999999999999999").verdict, V::TooLarge);
    EXPECT_EQ(CheckKeepLast("1e400").verdict, V::TooLarge);
}

} // namespace
} // namespace ze6::EntryValidation
