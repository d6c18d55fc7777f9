#include "platform/process/ProcessRunner.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace ze6 {

namespace {
constexpr int kTimeoutMs = 30000;
}

ProcessResult SystemProcessRunner::Run(const std::string& program, const std::vector<std::string>& arguments,
                                       const std::string& input)
{
    ProcessResult result;
    const QString found = QStandardPaths::findExecutable(QString::fromStdString(program));
    if (found.isEmpty())
        return result;
    QStringList list;
    for (const auto& argument : arguments)
        list << QString::fromStdString(argument);
    QProcess process;
    process.start(found, list);
    if (!process.waitForStarted(kTimeoutMs))
        return result;
    result.started = true;
    if (!input.empty())
        process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

std::string CurrentExecutablePath()
{
    // /proc/self/exe names the binary even when it was started through a
    // relative path or a symbolic link.
    const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return target.toStdString();
}

} // namespace ze6
