#include "EngineTestComponents.h"
#include "engine/Archive.h"
#include "engine/JobLine.h"
#include "support/FixedClock.h"
#include "support/TempFolder.h"
#include "support/ZipReader.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::modDAZadaro {
namespace {

using Names = std::vector<std::string>;

class PruningTest : public testing::Test {
protected:
    test::EngineTestComponents components;
    test::TempFolder temp;
    test::FixedClock clock{QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    std::string source = temp.MakeFolder("data");
    std::string target = temp.MakeFolder("backup");

    void SetUp() override
    {
        temp.Write("data/ABC.RZT", "plain");
        temp.Write("data/ABC.RZT6", "generation six");
        temp.Write("data/ABC_DEF.RZT", "other data file");
    }

    void Archive(const std::string& name, std::int32_t keep)
    {
        KeepLastCount() = keep;
        ArchiveApplication(source, target, name);
        clock.AdvanceSeconds(1);
    }

    void Existing(const Names& names)
    {
        for (const auto& name : names)
            temp.Write("backup/" + name, "old");
    }

    Names TargetContent() const
    {
        Names names;
        for (const auto& entry : std::filesystem::directory_iterator(target))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(PruningTest, KeepsTheNewestArchives)
{
    Existing({"ABC_2024-01-01-00-00-01.RZZ", "ABC_2024-01-01-00-00-02.RZZ"});
    Archive("ABC.RZT", 3);  // three in the series: untouched
    EXPECT_EQ(TargetContent(), (Names{"ABC_2024-01-01-00-00-01.RZZ", "ABC_2024-01-01-00-00-02.RZZ",
                                      "ABC_2024-03-07-14-05-09.RZZ"}));
    Archive("ABC.RZT", 3);  // one more: exactly the oldest goes
    EXPECT_EQ(TargetContent(), (Names{"ABC_2024-01-01-00-00-02.RZZ", "ABC_2024-03-07-14-05-09.RZZ",
                                      "ABC_2024-03-07-14-05-10.RZZ"}));
    Archive("ABC.RZT", 0);  // keep everything
    EXPECT_EQ(TargetContent().size(), 4u);
    Archive("ABC.RZT", 1);
    EXPECT_EQ(TargetContent(), Names{"ABC_2024-03-07-14-05-12.RZZ"});
    EXPECT_TRUE(components.log.empty());
}

TEST_F(PruningTest, OnlyThisDataFilesTimestampedArchivesCount)
{
    Existing({"abc_2020-01-01-00-00-00.rzz", "ABC_DEF_2019-01-01-00-00-00.RZZ", "ABC_DEF.RZZ", "ABC_notes.RZZ",
              "ABC_2019-01-01-00-00-00.RZZ.bak", "ABC_2019-01-01-00-00-0x.RZZ", ".ABC_2018-01-01-00-00-00.RZZ"});
    temp.MakeFolder("backup/ABC_2017-01-01-00-00-00.RZZ");
    Archive("ABC.RZT", 1);
    EXPECT_EQ(TargetContent(), (Names{".ABC_2018-01-01-00-00-00.RZZ", "ABC_2017-01-01-00-00-00.RZZ",
                                      "ABC_2019-01-01-00-00-00.RZZ.bak", "ABC_2019-01-01-00-00-0x.RZZ",
                                      "ABC_2024-03-07-14-05-09.RZZ", "ABC_DEF.RZZ", "ABC_DEF_2019-01-01-00-00-00.RZZ",
                                      "ABC_notes.RZZ"}));
    // ABC_DEF's own series is just as separate from ABC's.
    Archive("ABC_DEF.RZT", 1);
    EXPECT_TRUE(test::Exists(target + "ABC_2024-03-07-14-05-09.RZZ"));
    EXPECT_FALSE(test::Exists(target + "ABC_DEF_2019-01-01-00-00-00.RZZ"));
    EXPECT_TRUE(test::Exists(target + "ABC_DEF_2024-03-07-14-05-10.RZZ"));
    EXPECT_TRUE(components.log.empty());
}

TEST_F(PruningTest, PlainAndGenerationSixShareOneSeries)
{
    Archive("ABC.RZT", 2);
    Archive("ABC.RZT6", 2);
    Archive("ABC.RZT", 2);
    EXPECT_EQ(TargetContent(), (Names{"ABC_2024-03-07-14-05-10.RZZ", "ABC_2024-03-07-14-05-11.RZZ"}));
    EXPECT_EQ(test::ZipEntryNames(target + "ABC_2024-03-07-14-05-10.RZZ"), Names{"ABC.RZT6"});
}

TEST_F(PruningTest, AClockSetBackCanDeleteTheNewArchive)
{
    Existing({"ABC_2030-01-01-00-00-00.RZZ"});
    Archive("ABC.RZT", 1);
    EXPECT_EQ(TargetContent(), Names{"ABC_2030-01-01-00-00-00.RZZ"});
    EXPECT_TRUE(components.log.empty());
}

TEST_F(PruningTest, AFailedDeletionIsLoggedAndStopsThePruning)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root deletes from read-only folders";
    Existing({"ABC_2020-01-01-00-00-00.RZZ", "ABC_2021-01-01-00-00-00.RZZ"});
    components.onFinish = [this](const std::string& name) {
        temp.Write("backup/" + name.substr(target.size()), "new");
        ::chmod(target.c_str(), 0500);
    };
    Archive("ABC.RZT", 1);
    ::chmod(target.c_str(), 0700);
    ASSERT_EQ(components.log.size(), 1u);
    EXPECT_EQ(components.log[0].procName, "ArchiveApplication");
    EXPECT_EQ(components.log[0].message.rfind("Runtime error occured: 70 - Permission denied", 0), 0u)
        << components.log[0].message;
    EXPECT_EQ(TargetContent().size(), 3u);
}

}  // namespace
}  // namespace ze6::modDAZadaro
