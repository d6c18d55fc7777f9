#include "EngineTestComponents.h"
#include "engine/Archive.h"
#include "engine/JobLine.h"
#include "platform/RuntimeError.h"
#include "support/FixedClock.h"
#include "support/TempFolder.h"
#include "support/ZipReader.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

using Names = std::vector<std::string>;

class ArchiveTest : public testing::Test {
protected:
    test::EngineTestComponents components;
    test::TempFolder temp;
    test::FixedClock clock{QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    std::string source = temp.MakeFolder("data");
    std::string target = temp / "backup/";

    // Writes each file with its own name as content, so entries can be told apart.
    void WriteFiles(const Names& names)
    {
        for (const auto& name : names)
            temp.Write("data/" + name, "content of " + name);
    }

    std::string ArchiveAt(const std::string& stamp) const { return target + "ABC_" + stamp + ".RZZ"; }
};

TEST_F(ArchiveTest, PlainDataFileTakesItsCompanionsInTableOrder)
{
    WriteFiles({"ABC.RZT", "ABC.rzx", "abc.RZX6", "ABC.rzl", "ABC.KTM", "ABC.rzm", "ABC.rzn", "ABC.RZA", "ABC.RZI",
                "abc.rzd", "ABC.rzd6", "ABC.V3", "abc.v1", "ABC.KTM6.V2", "XYZ.rzd", "ABC.txt"});
    ArchiveApplication(source, target, "ABC.RZT");
    ASSERT_TRUE(components.log.empty()) << components.log.at(0).message;

    const Names expected = {"ABC.RZT", "abc.rzd", "ABC.RZI", "ABC.RZA", "ABC.rzn", "ABC.KTM", "ABC.rzm",
                            "ABC.rzl", "abc.RZX6", "ABC.rzx", "abc.v1", "ABC.V3"};
    const auto entries = test::ReadZip(ArchiveAt("2024-03-07-14-05-09"));
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].name, expected[i]);
        EXPECT_EQ(entries[i].content, "content of " + expected[i]);
    }
    // The list holds the paths as found on disk.
    EXPECT_EQ(ArchiveFileList().front(), source + "ABC.RZT");
    EXPECT_EQ(ArchiveFileList().at(1), source + "abc.rzd");
}

TEST_F(ArchiveTest, GenerationSixTakesSuffixedCompanions)
{
    WriteFiles({"ABC.RZT6", "abc.rzd6", "ABC.RZD", "ABC.rzx", "ABC.KTM6.V2", "ABC.V1", "ABC.ktm6"});
    ArchiveApplication(source, target, "ABC.RZT6");
    ASSERT_TRUE(components.log.empty());
    EXPECT_EQ(test::ZipEntryNames(ArchiveAt("2024-03-07-14-05-09")),
              (Names{"ABC.RZT6", "abc.rzd6", "ABC.ktm6", "ABC.rzx", "ABC.KTM6.V2"}));
}

TEST_F(ArchiveTest, AnExtensionEndingNeitherInTNorSixLeavesTheDataFileOut)
{
    WriteFiles({"ABC.RZTA", "ABC.rzd"});
    ArchiveApplication(source, target, "ABC.RZTA");
    ASSERT_TRUE(components.log.empty());
    EXPECT_EQ(test::ZipEntryNames(ArchiveAt("2024-03-07-14-05-09")), Names{"ABC.rzd"});
}

TEST_F(ArchiveTest, AttachedFileAndLinkedSetsFromTheDataFileReader)
{
    WriteFiles({"ABC.RZT", "abc.rzd", "LINK.hbt", "link.HBI", "other.bin", "only.bin"});
    components.attachedFile = source + "ABC.RZD";  // companion 2 in another case: dropped
    components.linkedSets = {{source + "LINK", source + "other.bin"},
                             {"", source + "only.bin"},
                             {source + "missing", ""},
                             {"", source + "ABC.RZT"}};
    ArchiveApplication(source, target, "ABC.RZT");
    ASSERT_TRUE(components.log.empty());
    EXPECT_EQ(test::ZipEntryNames(ArchiveAt("2024-03-07-14-05-09")),
              (Names{"ABC.RZT", "abc.rzd", "LINK.hbt", "link.HBI", "other.bin", "only.bin"}));
    EXPECT_EQ(components.infoCalls,
              (Names{"ModeFlag=false", "Open " + source + "ABC.RZT", "FullName", "Folder", "AttachedFile", "LoadLists",
                     "NumberedCompanions", "LinkedSets", "Close"}));
}

TEST_F(ArchiveTest, TheTargetFolderIsCreatedWithItsParents)
{
    WriteFiles({"ABC.RZT"});
    target = temp / "new/deeper/still/";
    ArchiveApplication(source, temp / "new/deeper/still", "ABC.RZT");
    ASSERT_TRUE(components.log.empty());
    EXPECT_EQ(test::ZipEntryNames(ArchiveAt("2024-03-07-14-05-09")), Names{"ABC.RZT"});
}

TEST_F(ArchiveTest, ASecondArchiveInTheSameSecondIsLoggedAndTheFirstKept)
{
    WriteFiles({"ABC.RZT"});
    ArchiveApplication(source, target, "ABC.RZT");
    temp.Write("data/ABC.RZT", "changed");
    ArchiveApplication(source, target, "ABC.RZT");

    ASSERT_EQ(components.log.size(), 1u);
    EXPECT_EQ(components.log[0].procName, "ArchiveApplication");
    EXPECT_EQ(components.log[0].message.rfind("Runtime error occured: 58 - File already exists", 0), 0u)
        << components.log[0].message;
    const auto entries = test::ReadZip(ArchiveAt("2024-03-07-14-05-09"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].content, "content of ABC.RZT");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target), {}), 1);
}

TEST_F(ArchiveTest, FailuresAreLoggedAndNothingIsPruned)
{
    WriteFiles({"ABC.RZT"});
    temp.Write("backup/ABC_2020-01-01-00-00-00.RZZ");
    temp.Write("backup/ABC_2021-01-01-00-00-00.RZZ");
    KeepLastCount() = 1;
    components.onFinish = [](const std::string&) { Raise(ErrorNumber::DiskFull, "ArchiveWriter"); };
    ArchiveApplication(source, target, "ABC.RZT");
    ArchiveApplication(source, target, "NONE.RZT");

    ASSERT_EQ(components.log.size(), 2u);
    EXPECT_EQ(components.log[0].message, "Runtime error occured: 61 - Disk full Source: ArchiveWriter");
    EXPECT_EQ(components.log[1].procName, "ArchiveApplication");
    EXPECT_NE(components.log[1].message.find("Source: ApplicationInfo"), std::string::npos) << components.log[1].message;
    EXPECT_TRUE(test::Exists(temp / "backup/ABC_2020-01-01-00-00-00.RZZ"));
    EXPECT_TRUE(test::Exists(temp / "backup/ABC_2021-01-01-00-00-00.RZZ"));
}

TEST_F(ArchiveTest, AJobArchivesEveryDataFileOfItsSource)
{
    WriteFiles({"A.RZT", "b.rzt6", "C.rzt", "D.RZTX", "D.rzd", "e.rzd", "folder.rzt/x", ".hidden.rzt"});
    ProcessCommandLine("\"" + source + "\" \"" + target + "\"");
    ASSERT_TRUE(components.log.empty());
    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(target))
        made.push_back(entry.path().filename().string());
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (Names{"A_2024-03-07-14-05-09.RZZ", "C_2024-03-07-14-05-09.RZZ", "D_2024-03-07-14-05-09.RZZ",
                           "b_2024-03-07-14-05-09.RZZ"}));

    // One named data file, then a file specification.
    std::filesystem::remove_all(target);
    ProcessCommandLine("\"" + source + "c.RZT\" \"" + target + "\" KEEPLAST:3");
    ProcessCommandLine("\"" + source + "*.rzt6\" \"" + target + "\"");
    made.clear();
    for (const auto& entry : std::filesystem::directory_iterator(target))
        made.push_back(entry.path().filename().string());
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (Names{"C_2024-03-07-14-05-09.RZZ", "b_2024-03-07-14-05-09.RZZ"}));
    EXPECT_TRUE(components.log.empty());
}

}  // namespace
}  // namespace ze6::modDAZadaro
