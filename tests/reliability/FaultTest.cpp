#include "ReliabilityFixture.h"
#include "support/FullDisk.h"
#include "support/ZipReader.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::test {
namespace {

constexpr std::size_t kRoomLeft = 1 << 20;

class FaultTest : public ReliabilityFixture {
protected:
    // A configuration file of one job per pair of a source and a target.
    std::string Jobs(const std::vector<std::pair<std::string, std::string>>& jobs) const
    {
        std::string lines;
        for (const auto& [source, target] : jobs)
            lines += Quoted(source) + " " + Quoted(target) + "\r\n";
        return temp.Write("jobs.rzb", lines);
    }
};

TEST_F(FaultTest, ATargetBeyondTheFileSizeLimitLosesNothingAndEveryDataFileIsStillTried)
{
    ExpectFullTargetLosesNothing(temp / "out", temp / "out/", kRoomLeft, [] { FileSizeLimit::Apply(kRoomLeft); });
}

// A root run in a folder that others may write to never follows their links:
// not to a data file, not to a companion; each is named in the log.
TEST_F(FaultTest, ARootRunNeverFollowsAnotherUsersLink)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "links of another user need root";
    const std::string secret = temp.Write("secret", "the secret");
    ::chmod(secret.c_str(), 0600);
    const std::string shared = temp.MakeFolder("shared");
    ::chmod(shared.c_str(), 01777);
    temp.Write("shared/JOB.RZT", "job");
    temp.Write("shared/JOB.rzi", "job's own companion");
    for (const char* name : {"JOB.rzd", "SHADOW.RZT"}) {
        ASSERT_EQ(::symlink(secret.c_str(), (shared + name).c_str()), 0);
        ASSERT_EQ(::lchown((shared + name).c_str(), 65534, 65534), 0);
    }

    const Result result = program.Run({shared + "*.RZT", temp / "out"});
    const Names out = FolderNames(temp / "out");
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(out.size(), 1u) << testing::PrintToString(out);
    EXPECT_EQ(ReadZip(temp / ("out/" + out[0])),
              (std::vector<ZipEntry>{{"JOB.RZT", "job"}, {"JOB.rzi", "job's own companion"}}));
    Names logged = LogEntries(logPath);
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(logged,
              (Names{kArchiveFailure + "70 - Permission denied: " + shared + "JOB.rzd Source: ZE6Vivevu",
                     kArchiveFailure + "70 - Permission denied: " + shared + "SHADOW.RZT Source: ApplicationInfo"}));
}

// A log whose folder cannot exist: each entry goes to standard error instead.
TEST_F(FaultTest, AnUnwritableLogSendsEveryEntryToStandardErrorAndEveryJobStillRuns)
{
    temp.Write("data/A.RZT");
    temp.Write("blocked", "a file where a folder should be");
    const std::string job = Jobs({{temp / "data/A.RZT", temp / "blocked/sub"},
                                  {temp / "data/A.RZT", temp / "out"},
                                  {temp / "data/missing.RZT", temp / "blocked/sub2"}});
    const Result result = ProgramRun(temp, temp / "blocked/ZE6Vivevu.log").Run({job});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    // One line: a missing data file matches nothing and makes no entry.
    EXPECT_TRUE(result.err.starts_with(kArchiveFailure)) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_NE(result.err.find("[not logged: Runtime error occured: 76 - Path not found"), std::string::npos)
        << result.err;
    EXPECT_EQ(FolderNames(temp / "out").size(), 1u);
}

// While a backup drive is unplugged its mount folder is empty or gone: no
// folder may be made and nothing written in its place on the system disk.
// Folders on a drive that is there are made as always.
TEST_F(FaultTest, AnUnpluggedDriveIsRefusedAndNothingTakesItsPlace)
{
    namespace fs = std::filesystem;
    const std::string source = temp.Write("data/A.RZT");
    const std::string plugged = temp.MakeFolder("plugged");
    temp.MakeFolder("drive");
    temp.MakeFolder("my drive");
    const auto entry = [](const std::string& point, const char* rest) { return "UUID=0 " + point + " " + rest + "\n"; };
    const std::string fstab =
        temp.Write("fstab", "# <file system> <mount point> <type> <options> <dump> <pass>\n" +
                                entry("/", "ext4 errors=remount-ro 0 1") + entry(temp / "drive", "ext4 nofail 0 2") +
                                entry(temp / "my\\040drive/", "vfat nofail 0 2") + entry(plugged, "ext4 defaults 0 2") +
                                "/dev/sda2 none swap sw 0 0\n");
    std::string mounts = ReadFile("/proc/self/mountinfo") + "999 1 8:17 / " + plugged + " rw - ext4 /dev/sdb1 rw\n";
    Names refused = {temp / "drive/backup/", temp / "drive/", temp / "my drive/backup/"};
    Names written = {plugged + "backup/"};

    // As root, the real folders of removable drives: one named in /media, one
    // in a user's folder there, one in /run/media, and one that is mounted.
    const std::string name = fs::path(temp.Path()).parent_path().filename().string();
    Names made;
    const std::shared_ptr<void> removeMade(nullptr, [&made](void*) {
        for (const auto& path : made)
            fs::remove_all(path);
    });
    if (::geteuid() == 0) {
        made = {"/media/" + name, "/media/" + name + "-user", "/media/" + name + "-mounted",
                fs::exists("/run/media") ? "/run/media/" + name : "/run/media"};
        fs::create_directories(made[1]);
        fs::create_directories(made[2]);
        mounts += "998 1 8:18 / " + made[2] + " rw - vfat /dev/sdc1 rw\n";
        refused.insert(refused.end(),
                       {made[0] + "/backup/", made[1] + "/usb/backup/", "/run/media/" + name + "/usb/backup/"});
        written.push_back(made[2] + "/backup/");
    }
    std::vector<std::pair<std::string, std::string>> jobs;
    for (const auto& target : refused)
        jobs.emplace_back(source, target);
    for (const auto& target : written)
        jobs.emplace_back(source, target);

    const Result result = ProgramRun(program)
                              .With("ZE6VIVEVU_TEST_FSTAB", fstab)
                              .With("ZE6VIVEVU_TEST_MOUNTINFO", temp.Write("mountinfo", mounts))
                              .Run({Jobs(jobs)});
    EXPECT_TRUE(Silent(result, 1));
    Names expected;
    for (const auto& target : refused)
        expected.push_back(kArchiveFailure + "76 - Path not found: " + target + " Source: ZE6Vivevu");
    EXPECT_EQ(LogEntries(logPath), expected);
    EXPECT_EQ(FolderNames(temp / "drive"), Names{});
    EXPECT_EQ(FolderNames(temp / "my drive"), Names{});
    if (::geteuid() == 0) {
        EXPECT_FALSE(Exists(made[0]));
        EXPECT_EQ(FolderNames(made[1]), Names{});
        EXPECT_FALSE(Exists("/run/media/" + name));
    }
    for (const auto& target : written)
        EXPECT_EQ(Stamped(target), Names{"A_<t>.RZZ"}) << target;
}

} // namespace
} // namespace ze6::test
