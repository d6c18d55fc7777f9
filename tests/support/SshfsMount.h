#pragma once

#include <QProcess>
#include <string>

namespace ze6::test {

// A network share as a NAS gives one: `served` exported by a private OpenSSH
// server on 127.0.0.1 (its own port, throwaway host and user keys and config
// in `work`) and mounted on `mountPoint` through sshfs (FUSE). Everything is
// torn down with the object: the mount detached, the client and the server
// killed; both also die with the test process. Every wait is bounded. Without
// root, FUSE, sshd or sshfs, Mounted() is false and Reason() says why.
// `options` go to sshfs as they are (e.g. "disable_hardlink").
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
