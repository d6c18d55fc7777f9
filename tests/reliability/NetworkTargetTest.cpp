#include "ReliabilityFixture.h"
#include "support/FullDisk.h"
#include "support/SshfsMount.h"
#include "support/ZipReader.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <thread>

namespace ze6::test {
namespace {

// The target is a folder of a share mounted through sshfs, which has no
// rename that refuses to replace, and neither the locks nor the times of a
// local disk. What counts is what the server holds, so the tests look there.
// Each runs on a share with hard links and on one without (as many NAS
// servers are), where the archive is moved into place by a test and a rename.
class NetworkTargetTest : public ReliabilityFixture, public testing::WithParamInterface<std::string> {
protected:
    std::unique_ptr<SshfsMount> share;

    void SetUp() override
    {
        temp.MakeFolder("server/out");
        share = std::make_unique<SshfsMount>(temp / "ssh", temp / "server", temp / "share", GetParam());
        if (!share->Mounted())
            GTEST_SKIP() << share->Reason();
    }

    std::string Target() const { return temp / "share/out"; }
    // What the server holds once sshfs has dropped the files it hides while a
    // closed one is still being released (at most ten seconds).
    Names Listed(const std::string& folder) const override
    {
        const auto hidden = [](const std::string& name) { return name.starts_with(".fuse_hidden"); };
        Names names = FolderNames(folder);
        for (int i = 0; i < 100 && std::any_of(names.begin(), names.end(), hidden); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            names = FolderNames(folder);
        }
        return names;
    }
    Names OnServer() const { return Listed(temp / "server/out"); }
    std::string ServerFile(const std::string& name) const { return temp / ("server/out/" + name); }

    std::string TemporaryOnceWriting(const QProcess& process) const
    {
        std::string found;
        RunningUntil(process, [&] {
            for (const auto& name : OnServer()) {
                if (name.starts_with('.') && name.ends_with(".part"))
                    found = name;
            }
            return !found.empty();
        });
        return found;
    }
};

INSTANTIATE_TEST_SUITE_P(Share, NetworkTargetTest, testing::Values("", "disable_hardlink"),
                         [](const auto& share) { return share.param.empty() ? "HardLinks" : "NoHardLinks"; });

// The next run also writes an archive of several blocks and prunes the older one.
TEST_P(NetworkTargetTest, AKilledRunsTemporaryIsRemovedByTheNextRunWhichArchivesAndPrunes)
{
    temp.Write("data/BIG.RZT", RandomBytes(32 << 20, 7));
    temp.Write("server/out/BIG_2020-01-01-00-00-00.RZZ", "older");
    const Names job = {temp / "data/BIG.RZT", Target(), "KEEPLAST:1"};
    QProcess process;
    program.Start(process, job);
    const std::string killed = TemporaryOnceWriting(process);
    ASSERT_FALSE(killed.empty());
    ASSERT_EQ(process.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished();
    EXPECT_EQ(OnServer(), (Names{killed, "BIG_2020-01-01-00-00-00.RZZ"}));
    // Aged through the share, as time would: sshfs keeps what it last saw of a file.
    std::filesystem::last_write_time(temp / ("share/out/" + killed),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));

    temp.Write("data/BIG.RZT", RandomBytes(3 << 20, 1));
    temp.Write("data/BIG.rzd", "companion");
    const Result result = program.Run(job);
    EXPECT_TRUE(Silent(result)) << ReadFile(logPath);
    const Names names = OnServer();
    ASSERT_EQ(names.size(), 1u) << testing::PrintToString(names);
    EXPECT_EQ(ReadZip(ServerFile(names[0])),
              (std::vector<ZipEntry>{{"BIG.RZT", RandomBytes(3 << 20, 1)}, {"BIG.rzd", "companion"}}));
}

// Another writer (a second run, another machine on the share) puts an
// archive under the same name while this one writes: it is never replaced.
TEST_P(NetworkTargetTest, AnArchiveThatAppearsMeanwhileUnderTheSameNameIsKept)
{
    temp.Write("data/BIG.RZT", RandomBytes(16 << 20, 5));
    QProcess process;
    program.Start(process, {temp / "data/BIG.RZT", Target()});
    const std::string writing = TemporaryOnceWriting(process);
    ASSERT_FALSE(writing.empty());
    const std::string finalName = writing.substr(1, writing.find(".RZZ.") + 3);
    temp.Write("server/out/" + finalName, "the other writer's");
    ASSERT_TRUE(process.waitForFinished(120000));

    EXPECT_EQ(process.exitCode(), 1);
    const Names logged = LogEntries(logPath);
    ASSERT_EQ(logged.size(), 1u) << ReadFile(logPath);
    EXPECT_TRUE(logged[0].starts_with(kArchiveFailure + "58 - File already exists")) << logged[0];
    EXPECT_EQ(OnServer(), Names{finalName});
    EXPECT_EQ(ReadFile(ServerFile(finalName)), "the other writer's");
}

TEST_P(NetworkTargetTest, AFullShareLosesNothingAndEveryDataFileIsStillTried)
{
    constexpr std::size_t kRoomLeft = 1 << 20;
    const SmallDisk disk(temp / "server/out", kRoomLeft);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    ExpectFullTargetLosesNothing(Target(), temp / "server/out/", kRoomLeft);
}

} // namespace
} // namespace ze6::test
