#include "EngineTestComponents.h"
#include "engine/JobLine.h"
#include "engine/RunContext.h"
#include "support/FixedClock.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <utime.h>

namespace ze6::modDAZadaro {
namespace {

// A job lists its target folder once and then keeps that listing itself: two
// data files of one series (ABC.RZT and abc.RZT6), a series that only shares
// a prefix, and old archives and an abandoned temporary already there.
TEST(TargetFolderListings, OneJobPrunesEverySeriesFromItsOwnListing)
{
    test::EngineTestComponents components;
    const test::TempFolder temp;
    test::FixedClock clock{QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    for (const char* name : {"ABC.RZT", "abc.RZT6", "ABC_DEF.RZT", "X.RZT"})
        temp.Write(std::string("data/") + name);
    for (const char* name : {"abc_2024-01-01-00-00-01.rzz", "ABC_2024-01-01-00-00-02.RZZ",
                             "ABC_DEF_2019-01-01-00-00-00.RZZ", "ABC_notes.RZZ", "X_2019-01-01-00-00-00.RZZ"})
        temp.Write(std::string("backup/") + name);
    const std::string abandoned = temp.Write("backup/.ABC_2023-01-01-00-00-00.RZZ.0123456789.part");
    const utimbuf longAgo{0, 0};
    ::utime(abandoned.c_str(), &longAgo);
    // Each archive gets its own second, as on a real night.
    components.onFinish = [&](const std::string& name) {
        temp.Write(name.substr(temp.Path().size()), "archive");
        clock.AdvanceSeconds(1);
    };

    ProcessCommandLine(test::Quoted(temp / "data/") + " " + test::Quoted(temp / "backup/") + " KEEPLAST:2");

    EXPECT_EQ(components.log, std::vector<std::string>{});
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp / "backup"))
        left.push_back(entry.path().filename().string().substr(0, 12));
    std::sort(left.begin(), left.end());
    // The first ABC archive of this job was counted by the second one's
    // pruning (so both older ones went), and nothing already deleted was
    // deleted twice.
    EXPECT_EQ(left, (std::vector<std::string>{"ABC_2024-03-", "ABC_DEF_2019", "ABC_DEF_2024", "ABC_notes.RZ",
                                              "X_2019-01-01", "X_2024-03-07", "abc_2024-03-"}));
}

// Until a change now would give `folder` a later time than its last change:
// another writer a moment later, also where file times tick every few milliseconds.
void WaitForTheNextTick(const std::string& folder)
{
    struct stat status {};
    ASSERT_EQ(::stat(folder.c_str(), &status), 0);
    const auto notLater = [&](const timespec& now) {
        return now.tv_sec < status.st_ctim.tv_sec ||
               (now.tv_sec == status.st_ctim.tv_sec && now.tv_nsec <= status.st_ctim.tv_nsec);
    };
    for (timespec now{}; ::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0 && notLater(now);)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// The run keeps its listing from job to job, but not past another writer's
// change, even one whose copying tool put the folder's time back as it was.
TEST(TargetFolderListings, ARunSeesAnotherWritersArchiveBetweenItsJobs)
{
    test::EngineTestComponents components;
    const test::TempFolder temp;
    test::FixedClock clock{QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    temp.Write("data/A.RZT");
    temp.Write("data/B.RZT");
    const std::string backup = temp / "backup/";
    const auto job = [&](const char* name) {
        return test::Quoted(temp / "data/" + name) + " " + test::Quoted(backup) + " KEEPLAST:1";
    };
    RunContext run;

    ProcessCommandLine(run, job("B.RZT"));
    struct stat before {};
    ASSERT_EQ(::stat(backup.c_str(), &before), 0);
    WaitForTheNextTick(backup);
    temp.Write("backup/A_2024-03-07-14-05-08.RZZ");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, backup.c_str(), times, 0), 0);
    ProcessCommandLine(run, job("A.RZT"));

    EXPECT_EQ(components.log, std::vector<std::string>{});
    EXPECT_EQ(test::FolderNames(backup),
              (std::vector<std::string>{"A_2024-03-07-14-05-09.RZZ", "B_2024-03-07-14-05-09.RZZ"}));
}

} // namespace
} // namespace ze6::modDAZadaro
