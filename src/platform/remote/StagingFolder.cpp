#include "platform/remote/StagingFolder.h"

#include "platform/RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6 {

namespace {

constexpr const char* kPrefix = "staging-";

bool ProcessAlive(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// staging-<pid>: a folder whose process is gone was left by a killed run.
void RemoveLeftovers(const QString& root)
{
    const QDir folder(root);
    for (const QString& name : folder.entryList({QString::fromLatin1(kPrefix) + QStringLiteral("*")},
                                                QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        bool number = false;
        const long pid = name.mid(static_cast<qsizetype>(std::char_traits<char>::length(kPrefix))).toLong(&number);
        if (!number || pid == ::getpid() || ProcessAlive(static_cast<pid_t>(pid)))
            continue;
        QDir(folder.filePath(name)).removeRecursively();
    }
}

} // namespace

std::string StagingFolder::Root()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string root;
    if (cache && cache[0] == '/') {
        root = cache;
    } else {
        const char* home = std::getenv("HOME");
        root = std::string(home && *home ? home : "/tmp") + "/.cache";
    }
    return root + "/ZE6Vivevu/";
}

StagingFolder::StagingFolder()
{
    const std::string root = Root();
    if (!QDir().mkpath(QString::fromStdString(root)))
        Raise(ErrorNumber::PathFileAccessError, kProgramErrorSource, root);
    RemoveLeftovers(QString::fromStdString(root));
    m_path = root + kPrefix + std::to_string(::getpid()) + "/";
    const std::string folder = m_path.substr(0, m_path.size() - 1);
    // A folder of this number is a dead process's, or this process's from an
    // earlier run: either way nothing in it is wanted.
    QDir(QString::fromStdString(folder)).removeRecursively();
    if (::mkdir(folder.c_str(), 0700) != 0)
        Raise(ErrorNumber::PathFileAccessError, kProgramErrorSource, folder);
}

StagingFolder::~StagingFolder()
{
    QDir(QString::fromStdString(m_path)).removeRecursively();
}

} // namespace ze6
