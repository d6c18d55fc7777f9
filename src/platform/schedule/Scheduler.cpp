#include "platform/schedule/Scheduler.h"

#include "platform/process/ProcessRunner.h"
#include "platform/schedule/CrontabScheduler.h"
#include "platform/schedule/SystemdTimerScheduler.h"

#include <QCryptographicHash>

namespace ze6 {

std::unique_ptr<Scheduler> CreateScheduler(ProcessRunner& runner)
{
    const ProcessResult manager = runner.Run("systemctl", {"--user", "show-environment"});
    if (manager.started && manager.exitCode == 0)
        return std::make_unique<SystemdTimerScheduler>(runner);
    if (runner.Run("crontab", {"-l"}).started)
        return std::make_unique<CrontabScheduler>(runner);
    return nullptr;
}

std::string ScheduleKey(const std::string& file)
{
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(file), QCryptographicHash::Sha256);
    return hash.toHex().left(32).toStdString();
}

void CheckSchedulablePath(const std::string& path)
{
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            throw ScheduleError("The path '" + path + "' holds a control character; a schedule cannot name it.");
    }
}

} // namespace ze6
