#include "engine/Archive.h"
#include "EngineTestComponents.h"
#include "engine/JobLine.h"
#include "engine/RunContext.h"
#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"
#include "support/FailingFolderSync.h"
#include "support/FixedClock.h"
#include "support/TempFolder.h"
#include "support/WithoutFileAccessOverride.h"
#include "support/ZipReader.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::modDAZadaro {
namespace {

using Names = std::vector<std::string>;

std::string Failure(const std::string& error)
{
    return "modDAZadaro, ArchiveApplication, Runtime error occured: " + error;
}

class ArchiveTest : public testing::Test {
protected:
    test::EngineTestComponents components;
    RunContext run{components};
    test::TempFolder temp;
    test::FixedClock clock{components, QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    std::string source = temp.MakeFolder("data");
    std::string target = temp / "backup/";

    void Files(const std::string& folder, const Names& names)
    {
        for (const auto& name : names)
            temp.Write(folder + name, "content of " + name);
    }
    // Archives the data file as a job of its own, then moves the clock on
    // to the next second.
    void Archive(const std::string& name, std::int32_t keep = 0)
    {
        run.Listings.JobStarted();
        ArchiveApplication(run, source, target, name, {keep});
        clock.AdvanceSeconds(1);
    }
    Names Target() const { return test::FolderNames(target); }
};

TEST_F(ArchiveTest, CompanionsInTableOrderAsFoundOnDisk)
{
    Files("data/",
          {"ABC.RZT", "ABC.rzx",  "abc.RZX6",   "ABC.rzl", "ABC.KTM",     "ABC.rzm", "ABC.rzn", "ABC.RZA", "ABC.RZI",
           "abc.rzd", "ABC.rzd6", "ABC.V3",     "abc.v1",  "ABC.KTM6.V2", "XYZ.rzd", "ABC.txt", "G6.RZT6", "g6.rzd6",
           "G6.RZD",  "G6.rzx",   "G6.KTM6.V2", "G6.V1",   "G6.ktm6",     "T.RZTA",  "T.rzd"});
    Archive("ABC.RZT");
    Archive("G6.RZT6");
    Archive("T.RZTA");
    ASSERT_EQ(components.log, Names{});

    std::vector<test::ZipEntry> plain;
    for (const std::string name : {"ABC.RZT", "abc.rzd", "ABC.RZI", "ABC.RZA", "ABC.rzn", "ABC.KTM", "ABC.rzm",
                                   "ABC.rzl", "abc.RZX6", "ABC.rzx", "abc.v1", "ABC.V3"})
        plain.push_back({name, "content of " + name});
    EXPECT_EQ(test::ReadZip(target + "ABC_2024-03-07-14-05-09.RZZ"), plain);
    EXPECT_EQ(test::ZipEntryNames(target + "G6_2024-03-07-14-05-10.RZZ"),
              (Names{"G6.RZT6", "g6.rzd6", "G6.ktm6", "G6.rzx", "G6.KTM6.V2"}));
    // An extension ending neither in T nor in 6 leaves the data file itself out.
    EXPECT_EQ(test::ZipEntryNames(target + "T_2024-03-07-14-05-11.RZZ"), Names{"T.rzd"});
}

// Names that differ only in case are different data files, each archived
// under its own spelling with the companions spelled most like it; a source
// of one exact spelling is that file alone. A companion is a regular file or
// a link to one: a folder, a link to a folder, a FIFO or a device named like
// one is left out, never read, and logged.
TEST_F(ArchiveTest, EachDataFileTakesTheRegularCompanionsSpelledMostLikeIt)
{
    for (const char* name : {"Plant1.RZT", "PLANT1.RZT", "Plant1.RZD", "PLANT1.rzd", "aB.RZT", "Ab.rzt", "C.RZT", "real.rzd"})
        temp.Write(std::string("data/") + name, name);
    ASSERT_EQ(::symlink("real.rzd", (source + "C.rzd").c_str()), 0);
    temp.MakeFolder("data/C.rzn");
    ASSERT_EQ(::symlink("C.rzn", (source + "C.rzm").c_str()), 0);
    ASSERT_EQ(::mkfifo((source + "C.rzi").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/null", (source + "C.rza").c_str()), 0);
    ProcessCommandLine(run, test::Quoted(source) + " " + test::Quoted(target));
    ProcessCommandLine(run, test::Quoted(source + "Plant1.RZT") + " " + test::Quoted(temp / "one/"));

    const auto archived = [&](const std::string& folder) {
        Names entries;
        for (const auto& name : test::FolderNames(folder)) {
            for (const auto& entry : test::ReadZip(folder + name))
                entries.push_back(name.substr(0, name.find('_')) + ": " + entry.name + "=" + entry.content);
        }
        return entries;
    };
    EXPECT_EQ(archived(target),
              (Names{"Ab: Ab.rzt=Ab.rzt", "C: C.RZT=C.RZT", "C: C.rzd=real.rzd", "PLANT1: PLANT1.RZT=PLANT1.RZT",
                     "PLANT1: PLANT1.rzd=PLANT1.rzd", "Plant1: Plant1.RZT=Plant1.RZT", "Plant1: Plant1.RZD=Plant1.RZD",
                     "aB: aB.RZT=aB.RZT"}));
    EXPECT_EQ(archived(temp / "one/"), (Names{"Plant1: Plant1.RZT=Plant1.RZT", "Plant1: Plant1.RZD=Plant1.RZD"}));
    Names logged;
    for (const char* name : {"C.rzi", "C.rza", "C.rzn", "C.rzm"})
        logged.push_back(Failure("75 - Path/File access error: " + source + name + " Source: ZE6Vivevu"));
    EXPECT_EQ(components.log, logged);
}

// A run by hand in the very second another run named its archive waits for
// the next free second; the other archives stay as they were.
TEST_F(ArchiveTest, ANameTakenThisSecondMovesTheArchiveToTheNextFreeSecond)
{
    Files("data/", {"ABC.RZT"});
    Files("backup/", {"ABC_2024-03-07-14-05-09.RZZ", "ABC_2024-03-07-14-05-10.RZZ"});
    Archive("ABC.RZT");
    EXPECT_EQ(Target(), (Names{"ABC_2024-03-07-14-05-09.RZZ", "ABC_2024-03-07-14-05-10.RZZ",
                               "ABC_2024-03-07-14-05-11.RZZ"}));
    EXPECT_EQ(test::ReadFile(target + "ABC_2024-03-07-14-05-10.RZZ"), "content of ABC_2024-03-07-14-05-10.RZZ");
    EXPECT_EQ(test::ZipEntryNames(target + "ABC_2024-03-07-14-05-11.RZZ"), Names{"ABC.RZT"});
}

TEST_F(ArchiveTest, AttachedFileAndLinkedSetsComeAfterTheCompanions)
{
    Files("data/", {"ABC.RZT", "abc.rzd", "LINK.hbt", "link.HBI", "other.bin"});
    Files("more/", {"only.bin", "ABC.RZT"});
    components.attachedFile = source + "ABC.RZD"; // companion 2 in capitals: dropped
    components.linkedSets = {{source + "LINK", source + "other.bin"},
                             {"", temp / "more/only.bin"},
                             {source + "missing", ""},
                             {"", temp / "more/abc.rzt"}};
    target = temp / "new/deeper/"; // made with its parents
    ArchiveApplication(run, source, target, "ABC.RZT", {});
    ASSERT_EQ(components.log, Names{});
    EXPECT_EQ(CollectArchiveFiles(components, source + "ABC.RZT").Paths,
              (Names{source + "ABC.RZT", source + "abc.rzd", source + "LINK.hbt", source + "link.HBI",
                     source + "other.bin", temp / "more/only.bin", temp / "more/ABC.RZT"}));
    const Names names = test::ZipEntryNames(target + "ABC_2024-03-07-14-05-09.RZZ");
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(Names(names.begin(), names.begin() + 6),
              (Names{"ABC.RZT", "abc.rzd", "LINK.hbt", "link.HBI", "other.bin", "only.bin"}));
}

TEST_F(ArchiveTest, FailuresAreLoggedKeepTheFirstArchiveAndPruneNothing)
{
    Files("data/", {"ABC.RZT"});
    Files("backup/", {"ABC_2020-01-01-00-00-00.RZZ", "ABC_2021-01-01-00-00-00.RZZ"});
    ArchiveApplication(run, source, target, "ABC.RZT", {});
    temp.Write("data/ABC.RZT", "changed");
    const RetentionRules keepOne{1};
    components.onFinish = [](const std::string&) { Raise(ErrorNumber::DiskFull, "ArchiveWriter"); };
    clock.AdvanceSeconds(1);
    ArchiveApplication(run, source, target, "ABC.RZT", keepOne);
    components.onFinish = nullptr;
    {
        // The archive is in place, but its name may not survive a crash.
        const test::FailingFolderSync failing;
        ArchiveApplication(run, source, target, "ABC.RZT", keepOne);
    }
    ArchiveApplication(run, source, target, "NONE.RZT", keepOne);

    EXPECT_EQ(components.log, (Names{Failure("61 - Disk full Source: ArchiveWriter"),
                                     Failure("57 - Device I/O error: " + target + " Source: ArchiveWriter"),
                                     Failure("53 - File not found: " + source + "NONE.RZT Source: ApplicationInfo")}));
    EXPECT_EQ(test::ReadZip(target + "ABC_2024-03-07-14-05-09.RZZ").at(0).content, "content of ABC.RZT");
    EXPECT_EQ(Target(), (Names{"ABC_2020-01-01-00-00-00.RZZ", "ABC_2021-01-01-00-00-00.RZZ",
                               "ABC_2024-03-07-14-05-09.RZZ", "ABC_2024-03-07-14-05-10.RZZ"}));
}

// A folder job writes several archives at once, and one sync of the folder
// may serve several of them: no series is pruned before that sync has
// succeeded, each data file gets its own entry, and two data files of one
// series written at once still get a name each.
TEST_F(ArchiveTest, AFolderJobPrunesASeriesOnlyOnceItsFolderIsSynced)
{
    Files("data/", {"A.RZT", "B.RZT", "B.RZT6", "C.RZT"});
    Files("backup/", {"A_2020-01-01-00-00-00.RZZ", "B_2020-01-01-00-00-00.RZZ", "C_2020-01-01-00-00-00.RZZ"});
    const std::string job = test::Quoted(source) + " " + test::Quoted(target) + " KEEPLAST:1";
    const auto made = [&] {
        Names names;
        for (const auto& name : Target())
            names.push_back(name.substr(0, 12));
        return names;
    };
    {
        const test::FailingFolderSync failing;
        ProcessCommandLine(run, job);
    }
    EXPECT_EQ(components.log, Names(4, Failure("57 - Device I/O error: " + target + " Source: ArchiveWriter")));
    EXPECT_EQ(made(), (Names{"A_2020-01-01", "A_2024-03-07", "B_2020-01-01", "B_2024-03-07", "B_2024-03-07",
                             "C_2020-01-01", "C_2024-03-07"}));

    components.log.clear();
    clock.AdvanceSeconds(10);
    ProcessCommandLine(run, job);
    EXPECT_EQ(components.log, Names{});
    // The run's own archives of B are both kept.
    EXPECT_EQ(made(), (Names{"A_2024-03-07", "B_2024-03-07", "B_2024-03-07", "C_2024-03-07"}));
    EXPECT_EQ(run.Outcome.ArchivesWritten, 4);
}

// Hidden temporaries that killed runs left go once their writers must have
// locked them long ago: of the data file's series after a minute, of others
// after an hour. One a live writer holds, one of another program and a recent
// one stay, and none counts as a generation.
TEST_F(ArchiveTest, AbandonedTemporariesGoButHeldForeignAndRecentOnesStay)
{
    Files("data/", {"BIG.RZT"});
    Files("backup/", {"BIG_2020-01-01-00-00-00.RZZ"});
    const auto part = [&](const std::string& name, std::chrono::minutes age) {
        const std::string path = temp.Write("backup/" + name);
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
        return path;
    };
    part(".BIG_2020-01-01-00-00-01.RZZ.abcdefghij.part", std::chrono::minutes(2));
    part(".BIG_X_2020-01-01-00-00-00.RZZ.abcdefghij.part", std::chrono::minutes(120));
    const std::string held = part(".GONE_2020-01-01-00-00-01.RZZ.0123456789.part", std::chrono::minutes(120));
    part(".notes.txt.0123456789.part", std::chrono::minutes(120));
    part(".OTHER_2020-01-01-00-00-00.RZZ.abcdefghij.part", std::chrono::minutes(30));
    part(".big_2020-01-01-00-00-02.rzz.klmnopqrst.part", std::chrono::minutes(0));
    const int lock = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    Archive("BIG.RZT", 1);
    ::close(lock);
    EXPECT_EQ(components.log, Names{});
    EXPECT_EQ(Target(),
              (Names{".GONE_2020-01-01-00-00-01.RZZ.0123456789.part", ".OTHER_2020-01-01-00-00-00.RZZ.abcdefghij.part",
                     ".big_2020-01-01-00-00-02.rzz.klmnopqrst.part", ".notes.txt.0123456789.part",
                     "BIG_2024-03-07-14-05-09.RZZ"}));
}

// A data file that the product's application saves while it is read is read
// again after a pause; one that keeps changing is given up with no archive.
TEST_F(ArchiveTest, ADataFileThatChangesWhileItIsReadIsReadAgainLater)
{
    const std::string data = temp.Write("data/BUSY.RZT", test::RandomBytes(4 << 20, 5));
    temp.Write("backup/BUSY_2020-01-01-00-00-00.RZZ", "older");
    const auto saved = std::filesystem::last_write_time(data);
    int saves = 0;
    for (const bool settles : {true, false}) {
        bool saving = true;
        // Rewritten in place: the length stays, the content and its time change.
        components.onBlock = [&] {
            if (saving) {
                std::fstream(data, std::ios::binary | std::ios::in | std::ios::out)
                    << static_cast<char>('a' + ++saves % 26);
                std::filesystem::last_write_time(data, saved + std::chrono::seconds(saves));
            }
        };
        std::vector<std::chrono::milliseconds> pauses;
        components.writerFaults.retryWait = [&](std::chrono::milliseconds pause) {
            pauses.push_back(pause);
            saving = !settles;
        };
        Archive("BUSY.RZT", 1);
        components.writerFaults.retryWait = nullptr;
        components.onBlock = nullptr;

        const Names archives = Target();
        if (settles) {
            EXPECT_EQ(components.log, Names{});
            ASSERT_EQ(pauses.size(), 1u);
            ASSERT_EQ(archives, Names{"BUSY_2024-03-07-14-05-09.RZZ"});
            EXPECT_EQ(test::ReadZip(target + archives[0]).at(0).content, test::ReadFile(data));
        } else {
            // About ten seconds of pauses in all, then the error of a file that changed.
            EXPECT_EQ(std::accumulate(pauses.begin(), pauses.end(), std::chrono::milliseconds(0)),
                      std::chrono::seconds(10));
            EXPECT_EQ(components.log, Names{Failure("75 - File changed while it was being archived: " + data +
                                                    " Source: ArchiveWriter")});
            EXPECT_EQ(archives, Names{"BUSY_2024-03-07-14-05-09.RZZ"}); // the first one, not pruned
        }
    }
}

// Only the user's own regular files of the data file's series dated up to the
// new archive count, on a shared target where others can plant names in it:
// names of other series or only like the series, a folder, a link, another
// user's file and later names are neither counted nor deleted, and nothing
// this run wrote is ever deleted. None of it is logged.
TEST_F(ArchiveTest, PruningKeepsTheNewestOfTheDataFilesOwnEarlierArchivesOnly)
{
    Files("data/", {"ABC.RZT", "ABC.RZT6", "ABC_DEF.RZT"});
    Names others = {"ABC_2019-01-01-00-00-00.RZZ.bak",
                    "ABC_2019-01-01-00-00-0x.RZZ",
                    "ABC_2097-01-01-00-00-00.RZZ",
                    "ABC_2097-01-01-00-00-01.RZZ",
                    "ABC_DEF.RZZ",
                    "ABC_DEF_2019-01-01-00-00-00.RZZ",
                    "ABC_notes.RZZ"};
    Files("backup/", others);
    Files("backup/", {"abc_2024-01-01-00-00-01.rzz", "ABC_2024-01-01-00-00-02.RZZ"});
    temp.MakeFolder("backup/ABC_2017-01-01-00-00-00.RZZ");
    others.push_back("ABC_2017-01-01-00-00-00.RZZ");
    // Dated between the real archives and now: a link, and another user's file.
    ASSERT_EQ(::symlink((source + "ABC.RZT").c_str(), (target + "ABC_2024-02-01-00-00-00.RZZ").c_str()), 0);
    others.push_back("ABC_2024-02-01-00-00-00.RZZ");
    if (::geteuid() == 0) {
        Files("backup/", {"ABC_2024-02-02-00-00-00.RZZ"});
        ASSERT_EQ(::chown((target + "ABC_2024-02-02-00-00-00.RZZ").c_str(), 65534, 65534), 0);
        others.push_back("ABC_2024-02-02-00-00-00.RZZ");
    }
    const auto with = [&](Names names) {
        names.insert(names.end(), others.begin(), others.end());
        std::sort(names.begin(), names.end());
        return names;
    };

    Archive("ABC.RZT", 3); // three in the series: untouched
    EXPECT_EQ(Target(),
              with({"ABC_2024-01-01-00-00-02.RZZ", "ABC_2024-03-07-14-05-09.RZZ", "abc_2024-01-01-00-00-01.rzz"}));
    Archive("ABC.RZT6", 3); // one more, generation 6 in the same series: exactly the oldest goes
    EXPECT_EQ(Target(),
              with({"ABC_2024-01-01-00-00-02.RZZ", "ABC_2024-03-07-14-05-09.RZZ", "ABC_2024-03-07-14-05-10.RZZ"}));
    Archive("ABC.RZT", 0);  // no pruning: archives accumulate
    Archive("ABC.RZT6", 1); // the older one goes; this run's own stay
    const Names own = {"ABC_2024-03-07-14-05-09.RZZ", "ABC_2024-03-07-14-05-10.RZZ", "ABC_2024-03-07-14-05-11.RZZ",
                       "ABC_2024-03-07-14-05-12.RZZ"};
    EXPECT_EQ(Target(), with(own));
    EXPECT_EQ(test::ZipEntryNames(target + "ABC_2024-03-07-14-05-12.RZZ"), Names{"ABC.RZT6"});
    clock.Set(QDateTime(QDate(2020, 1, 1), QTime(0, 0, 0))); // set back: every other name is later
    Archive("ABC.RZT", 1);
    others.push_back("ABC_2020-01-01-00-00-00.RZZ");
    EXPECT_EQ(Target(), with(own));
    EXPECT_EQ(components.log, Names{});
    EXPECT_EQ(test::ReadFile(source + "ABC.RZT"), "content of ABC.RZT");

    // Root deletes from read-only folders unless its file-access override is dropped.
    if (const test::WithoutFileAccessOverride permissionsHold; permissionsHold.Active()) {
        Files("backup/", {"ABC_2023-01-01-00-00-00.RZZ"});
        clock.Set(QDateTime(QDate(2024, 3, 8), QTime(0, 0, 0)));
        components.onFinish = [this](const std::string& name) {
            temp.Write(name.substr(temp.Path().size()), "new");
            ::chmod(target.c_str(), 0500);
        };
        Archive("ABC.RZT", 1);
        ::chmod(target.c_str(), 0700);
        ASSERT_EQ(components.log.size(), 1u);
        EXPECT_TRUE(components.log[0].starts_with(Failure("70 - Permission denied: " + target + "ABC_")))
            << components.log[0];
        EXPECT_TRUE(components.log[0].ends_with(".RZZ Source: ZE6Vivevu")) << components.log[0];
    }
}

} // namespace
} // namespace ze6::modDAZadaro
