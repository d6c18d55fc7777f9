#pragma once

#include <QProcess>
#include <string>

namespace ze6::test {

// A network share as a NAS gives one: `served` as an SFTP server gives it,
// mounted on `mountPoint` through sshfs (FUSE), the two joined by a socket
// pair instead of an SSH connection (logs in `work`). Everything is torn down
// with the object: the mount detached, client and server killed; both also
// die with the test process. Every wait is bounded. Without root, FUSE, sshfs
// or the SFTP server, Mounted() is false and Reason() says why. `options` go
// to sshfs as they are (e.g. "disable_hardlink").
class SshfsMount {
public:
    SshfsMount(const std::string& work, const std::string& served, const std::string& mountPoint,
               const std::string& options = {});
    ~SshfsMount();
    SshfsMount(const SshfsMount&) = delete;
    SshfsMount& operator=(const SshfsMount&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Reason() const { return m_reason; }

private:
    bool Mount(const std::string& work, const std::string& served, const std::string& options);
    bool Fail(const std::string& reason);

    std::string m_mountPoint;
    QProcess m_server;
    QProcess m_client;
    bool m_mounted = false;
    std::string m_reason;
};

} // namespace ze6::test
