#include "support/SshfsMount.h"
#include "support/ProgramRun.h"

#include <QStandardPaths>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace ze6::test {

namespace {

constexpr int kToolMilliseconds = 30000;
constexpr auto kStartLimit = std::chrono::seconds(20);
constexpr long kFuseMagic = 0x65735546;
const char* const kServer = "/usr/sbin/sshd";

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// A child that outlives a crashed test would keep the port or the mount.
void DieWithParent()
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

int FreePort()
{
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof(address);
    int port = 0;
    if (::bind(descriptor, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(descriptor);
    return port;
}

bool Listening(int port)
{
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    const bool listening = ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(descriptor);
    return listening;
}

bool FuseMounted(const std::string& folder)
{
    struct statfs status {};
    return ::statfs(folder.c_str(), &status) == 0 && status.f_type == kFuseMagic;
}

void Stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(kToolMilliseconds);
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
    namespace fs = std::filesystem;
    if (::geteuid() != 0)
        return Fail("mounting through FUSE here needs root");
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return Fail("no FUSE device /dev/fuse");
    if (::access(kServer, X_OK) != 0)
        return Fail("no OpenSSH server at /usr/sbin/sshd (openssh-server)");
    const QString sshfs = QStandardPaths::findExecutable(QStringLiteral("sshfs"));
    const QString keygen = QStandardPaths::findExecutable(QStringLiteral("ssh-keygen"));
    if (sshfs.isEmpty() || keygen.isEmpty())
        return Fail("sshfs or ssh-keygen is not installed");
    // The server insists on its privilege separation folder, which its
    // package's service would make.
    std::error_code ignored;
    fs::create_directories("/run/sshd", ignored);

    fs::create_directories(work);
    fs::create_directories(m_mountPoint);
    const std::string hostKey = work + "/host_key";
    const std::string userKey = work + "/user_key";
    for (const auto& key : {hostKey, userKey}) {
        if (RunTool(keygen.toStdString(), {"-q", "-t", "ed25519", "-N", "", "-f", key}).status != 0)
            return Fail("ssh-keygen failed");
    }
    const std::string authorizedKeys = work + "/authorized_keys";
    fs::copy_file(userKey + ".pub", authorizedKeys);
    const int port = FreePort();
    const std::string config = work + "/sshd_config";
    // Root may log in, with this key only, to this server only, on 127.0.0.1 only.
    std::ofstream(config) << "ListenAddress 127.0.0.1:" << port << "\nHostKey " << hostKey
                          << "\nPidFile none\nAuthorizedKeysFile " << authorizedKeys
                          << "\nAllowUsers root\nPermitRootLogin prohibit-password\nPubkeyAuthentication yes\n"
                             "PasswordAuthentication no\nKbdInteractiveAuthentication no\nUsePAM no\n"
                             "StrictModes no\nUseDNS no\nSubsystem sftp internal-sftp\n";

    // To files, not pipes: a pipe that nobody reads while a test waits for
    // the program fills up and stops the server or the client mid-transfer.
    const std::string serverLog = work + "/sshd.log";
    const std::string clientLog = work + "/sshfs.log";
    m_server.setStandardOutputFile(Q(serverLog));
    m_server.setStandardErrorFile(Q(serverLog), QIODevice::Append);
    m_server.setChildProcessModifier(DieWithParent);
    m_server.start(Q(kServer), {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), Q(config)});
    if (!RunningUntil(
            m_server, [port] { return Listening(port); }, kStartLimit))
        return Fail("sshd did not start: " + ReadFile(serverLog));

    m_client.setStandardOutputFile(Q(clientLog));
    m_client.setStandardErrorFile(Q(clientLog), QIODevice::Append);
    m_client.setChildProcessModifier(DieWithParent);
    m_client.start(sshfs,
                   {QStringLiteral("-f"), QStringLiteral("-F"), QStringLiteral("/dev/null"), QStringLiteral("-o"),
                    Q("port=" + std::to_string(port) + ",IdentityFile=" + userKey +
                      ",IdentitiesOnly=yes,BatchMode=yes,StrictHostKeyChecking=no,"
                      "UserKnownHostsFile=/dev/null,ConnectTimeout=10,LogLevel=ERROR" +
                      (options.empty() ? "" : "," + options)),
                    Q("root@127.0.0.1:" + served), Q(m_mountPoint)});
    const std::string mountPoint = m_mountPoint;
    if (!RunningUntil(
            m_client, [&mountPoint] { return FuseMounted(mountPoint); }, kStartLimit))
        return Fail("sshfs did not mount: " + ReadFile(clientLog));
    return true;
}

SshfsMount::~SshfsMount()
{
    // Detached first, so that a file a failed test left open cannot hold it.
    if (FuseMounted(m_mountPoint))
        ::umount2(m_mountPoint.c_str(), MNT_DETACH);
    // The client's connection ends with it, and with that the server's session.
    Stop(m_client);
    Stop(m_server);
}

} // namespace ze6::test
