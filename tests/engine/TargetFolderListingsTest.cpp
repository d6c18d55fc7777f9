#include "EngineTestComponents.h"
#include "engine/JobLine.h"
#include "engine/RunContext.h"
#include "support/FixedClock.h"
#include "support/TempFolder.h"

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace ze6::modDAZadaro {
namespace {

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
    test::FixedClock clock{components, QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    temp.Write("data/A.RZT");
    temp.Write("data/B.RZT");
    const std::string backup = temp / "backup/";
    const auto job = [&](const char* name) {
        return test::Quoted(temp / "data/" + name) + " " + test::Quoted(backup) + " KEEPLAST:1";
    };
    RunContext run{components};

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
