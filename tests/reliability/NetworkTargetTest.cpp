#include "ReliabilityFixture.h"
#include "support/ZipReader.h"

#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>

namespace ze6::test {
namespace {

bool FuseMounted(const std::string& folder)
{
    struct statfs status {};
    return ::statfs(folder.c_str(), &status) == 0 && status.f_type == 0x65735546;
}

// Talks SFTP over `socket` as its standard input and output, and dies with
// the test process: one that outlived a crashed test would keep the mount.
// Logs go to files, not pipes: a pipe that nobody reads while a test waits
// for the program fills up and stops the transfer.
void StartOnSocket(QProcess& process, const QString& program, const QStringList& arguments, int socket,
                   const std::string& log)
{
    process.setStandardErrorFile(QString::fromStdString(log));
    process.setChildProcessModifier([socket] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(socket, STDIN_FILENO);
        ::dup2(socket, STDOUT_FILENO);
    });
    process.start(program, arguments);
}

// A network share as a NAS gives one: `served` as an SFTP server gives it,
// mounted on `mountPoint` through sshfs (FUSE) with `options`, the two joined
// by a socket pair instead of an SSH connection (logs in `work`). Torn down
// with the object; without root, FUSE, sshfs or the SFTP server, `reason`
// says why it is not mounted.
class SshfsMount {
public:
    SshfsMount(const std::string& work, const std::string& served, std::string mountPoint, const std::string& options)
        : m_mountPoint(std::move(mountPoint)), reason(Mount(work, served, options))
    {
    }
    ~SshfsMount()
    {
        // Detached first, so that a file a failed test left open cannot hold it.
        if (FuseMounted(m_mountPoint))
            ::umount2(m_mountPoint.c_str(), MNT_DETACH);
        for (QProcess* process : {&m_client, &m_server}) {
            process->kill();
            process->waitForFinished(30000);
        }
    }

private:
    std::string m_mountPoint;
    QProcess m_server, m_client;

    std::string Mount(const std::string& work, const std::string& served, const std::string& options)
    {
        const char* const server = "/usr/lib/openssh/sftp-server";
        const QString sshfs = QStandardPaths::findExecutable(QStringLiteral("sshfs"));
        if (::geteuid() != 0)
            return "mounting through FUSE here needs root";
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return "no FUSE device /dev/fuse";
        if (::access(server, X_OK) != 0 || sshfs.isEmpty())
            return "sshfs or the SFTP server is not installed (sshfs, openssh-sftp-server)";
        std::filesystem::create_directories(work);
        std::filesystem::create_directories(m_mountPoint);
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return "no socket pair";
        StartOnSocket(m_server, QString::fromLatin1(server), {}, ends[0], work + "/sftp-server.log");
        StartOnSocket(m_client, sshfs,
                      {QStringLiteral("-f"), QStringLiteral("-o"),
                       QString::fromStdString("passive" + (options.empty() ? "" : "," + options)),
                       QString::fromStdString("share:" + served), QString::fromStdString(m_mountPoint)},
                      ends[1], work + "/sshfs.log");
        ::close(ends[0]);
        ::close(ends[1]);
        if (!RunningUntil(m_client, [this] { return FuseMounted(m_mountPoint); }, std::chrono::seconds(20)))
            return "sshfs did not mount: " + ReadFile(work + "/sshfs.log");
        return {};
    }

public:
    const std::string reason; // empty once mounted
};

// A tmpfs of `bytes` on `folder` for its lifetime: a real ENOSPC. Mounting
// needs CAP_SYS_ADMIN; without it `reason` says why it is not mounted.
struct SmallDisk {
    SmallDisk(const std::string& folder, std::size_t bytes) : m_folder(folder)
    {
        std::filesystem::create_directories(folder);
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("ze6test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
            reason = std::string("cannot mount a small disk here: ") + std::strerror(errno);
    }
    // Detached, so that a file a failed test left open cannot keep it mounted.
    ~SmallDisk()
    {
        if (reason.empty())
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    std::string m_folder, reason;
};

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
        if (!share->reason.empty())
            GTEST_SKIP() << share->reason;
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
    if (!disk.reason.empty())
        GTEST_SKIP() << disk.reason;
    ExpectFullTargetLosesNothing(Target(), temp / "server/out/", kRoomLeft);
}

} // namespace
} // namespace ze6::test
