#include "support/SshfsMount.h"
#include "support/ProgramRun.h"

#include <QStandardPaths>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace ze6::test {

namespace {

constexpr long kFuseMagic = 0x65735546;
const char* const kServer = "/usr/lib/openssh/sftp-server";

bool FuseMounted(const std::string& folder)
{
    struct statfs status {};
    return ::statfs(folder.c_str(), &status) == 0 && status.f_type == kFuseMagic;
}

// Talks SFTP over `socket` as its standard input and output, and dies with
// the test process: one that outlived a crashed test would keep the mount.
void Start(QProcess& process, const QString& program, const QStringList& arguments, int socket, const std::string& log)
{
    process.setStandardErrorFile(QString::fromStdString(log));
    process.setChildProcessModifier([socket] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(socket, STDIN_FILENO);
        ::dup2(socket, STDOUT_FILENO);
    });
    process.start(program, arguments);
}

void Stop(QProcess& process)
{
    process.kill();
    process.waitForFinished(30000);
}

} // namespace

SshfsMount::SshfsMount(const std::string& work, const std::string& served, const std::string& mountPoint,
                       const std::string& options)
    : m_mountPoint(mountPoint)
{
    m_mounted = Mount(work, served, options);
}

bool SshfsMount::Fail(const std::string& reason)
{
    m_reason = reason;
    return false;
}

bool SshfsMount::Mount(const std::string& work, const std::string& served, const std::string& options)
{
    if (::geteuid() != 0)
        return Fail("mounting through FUSE here needs root");
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return Fail("no FUSE device /dev/fuse");
    const QString sshfs = QStandardPaths::findExecutable(QStringLiteral("sshfs"));
    if (::access(kServer, X_OK) != 0 || sshfs.isEmpty())
        return Fail("sshfs or the SFTP server is not installed (sshfs, openssh-sftp-server)");
    std::filesystem::create_directories(work);
    std::filesystem::create_directories(m_mountPoint);

    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return Fail("no socket pair");
    // Logs go to files, not pipes: a pipe that nobody reads while a test
    // waits for the program fills up and stops the transfer.
    Start(m_server, QString::fromLatin1(kServer), {}, ends[0], work + "/sftp-server.log");
    Start(m_client, sshfs,
          {QStringLiteral("-f"), QStringLiteral("-o"),
           QString::fromStdString("passive" + (options.empty() ? "" : "," + options)),
           QString::fromStdString("share:" + served), QString::fromStdString(m_mountPoint)},
          ends[1], work + "/sshfs.log");
    ::close(ends[0]);
    ::close(ends[1]);
    const std::string mountPoint = m_mountPoint;
    if (!RunningUntil(
            m_client, [&mountPoint] { return FuseMounted(mountPoint); }, std::chrono::seconds(20)))
        return Fail("sshfs did not mount: " + ReadFile(work + "/sshfs.log"));
    return true;
}

SshfsMount::~SshfsMount()
{
    // Detached first, so that a file a failed test left open cannot hold it.
    if (FuseMounted(m_mountPoint))
        ::umount2(m_mountPoint.c_str(), MNT_DETACH);
    Stop(m_client);
    Stop(m_server);
}

} // namespace ze6::test
