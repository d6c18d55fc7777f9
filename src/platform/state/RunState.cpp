#include "platform/state/RunState.h"

#include "platform/files/PathText.h"
#include "platform/process/ProcessInfo.h"
#include "platform/schedule/CalendarExpression.h"
#include "platform/schedule/Scheduler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ze6 {

namespace {

QString RecordPath(const std::string& file)
{
    return QString::fromStdString(StateFolder() + "runs/" + ScheduleKey(file) + ".json");
}

} // namespace

std::string StateFolder()
{
    std::string state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/')
        state = xdg;
    else
        state = HomeFolder() + ".local/state";
    return FileSystem::WithTrailingSeparator(state) + "ZE6Vivevu/";
}

bool MakeStateFolder(const std::string& sub)
{
    const bool made = QDir().mkpath(QString::fromStdString(StateFolder() + sub));
    QFile::setPermissions(QString::fromStdString(StateFolder()),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return made;
}

StateFileLock::StateFileLock(const std::string& name)
{
    const std::string path = StateFolder() + name;
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0 && errno == ENOENT && MakeStateFolder(name.substr(0, name.rfind('/') + 1)))
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_failure = "cannot open " + path + ": " + std::strerror(errno);
        return;
    }
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_failure = "cannot lock " + path + ": " + std::strerror(errno);
            return;
        }
    }
}

StateFileLock::~StateFileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // also releases the lock
}

bool WriteRunRecord(const std::string& file, const RunRecord& record)
{
    const QString path = RecordPath(file);
    MakeStateFolder("runs/");
    QJsonObject object;
    object.insert(QStringLiteral("file"), QString::fromStdString(file));
    object.insert(QStringLiteral("time"), record.time.toString(Qt::ISODate));
    object.insert(QStringLiteral("entries"), record.entries);
    object.insert(QStringLiteral("firstEntry"), QString::fromStdString(record.firstEntry));
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(QJsonDocument(object).toJson());
    return out.commit();
}

std::optional<RunRecord> ReadRunRecord(const std::string& file)
{
    QFile in(RecordPath(file));
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(in.readAll()).object();
    if (object.value(QStringLiteral("file")).toString().toStdString() != file)
        return std::nullopt;
    RunRecord record;
    record.time = QDateTime::fromString(object.value(QStringLiteral("time")).toString(), Qt::ISODate);
    record.entries = object.value(QStringLiteral("entries")).toInt();
    record.firstEntry = object.value(QStringLiteral("firstEntry")).toString().toStdString();
    if (!record.time.isValid())
        return std::nullopt;
    return record;
}

std::string DescribeRunRecord(const std::optional<RunRecord>& record)
{
    if (!record)
        return "not run yet";
    const std::string when = FormatRunTime(record->time);
    if (record->entries == 0)
        return when + ": clean";
    return when + ": " + std::to_string(record->entries) + (record->entries == 1 ? " entry" : " entries") + " logged";
}

} // namespace ze6
