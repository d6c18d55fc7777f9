#include "platform/schedule/SystemdTimerScheduler.h"

#include "platform/files/PathText.h"
#include "platform/process/ProcessInfo.h"
#include "platform/process/ProcessRunner.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdlib>

namespace ze6 {

namespace {

constexpr const char* kFileComment = "# ZE6Vivevu file: ";
constexpr const char* kWhenComment = "# ZE6Vivevu when: ";
constexpr const char* kPrefix = "ze6vivevu-";

// Unit files expand "%" specifiers in almost every value.
std::string WithoutSpecifiers(const std::string& text)
{
    std::string result;
    for (const char c : text) {
        result += c;
        if (c == '%')
            result += '%';
    }
    return result;
}

// One ExecStart= argument: quoted, with C escapes and "$" variables kept literal.
std::string ExecArgument(const std::string& text)
{
    std::string result = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            result += '\\';
        if (c == '$' || c == '%')
            result += c;
        result += c;
    }
    return result + "\"";
}

// The executable of ExecStart= is taken without escapes or variables, and
// systemd refuses one whose name holds a quote or a backslash.
std::string ExecProgram(const std::string& program)
{
    if (program.find_first_of("\"'\\") != std::string::npos)
        throw ScheduleError("systemd cannot start a program whose path holds a quote or a backslash: " + program);
    // Appended piece by piece: GCC 12's -Wrestrict misreads "literal" + string at -O3.
    std::string quoted = "\"";
    quoted += WithoutSpecifiers(program);
    quoted += '"';
    return quoted;
}

void WriteUnit(const std::string& path, const std::string& content)
{
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(content.data(), static_cast<qint64>(content.size())) != static_cast<qint64>(content.size()) ||
        !file.commit())
        throw ScheduleError("Cannot write " + path + ": " + file.errorString().toStdString());
}

// Bytes, not text: a file name that is not UTF-8 comes back as it was written.
std::string CommentValue(const QByteArray& text, const char* prefix)
{
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(static_cast<qsizetype>(std::char_traits<char>::length(prefix))).toStdString();
    }
    return {};
}

} // namespace

std::string SystemdTimerScheduler::UnitFolder()
{
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/')
        config = xdg;
    else
        config = HomeFolder() + ".config";
    return FileSystem::WithTrailingSeparator(config) + "systemd/user/";
}

std::string SystemdTimerScheduler::UnitName(const std::string& file)
{
    return kPrefix + ScheduleKey(file);
}

std::string SystemdTimerScheduler::ServiceUnit(const std::string& file, const std::string& program)
{
    return std::string(kFileComment) + file + "\n" +
           "[Unit]\n"
           "Description=ZE6Vivevu backup of " +
           WithoutSpecifiers(file) +
           "\n\n"
           "[Service]\n"
           "Type=oneshot\n"
           "ExecStart=" +
           ExecProgram(program) + " " + ExecArgument(file) + "\n";
}

std::string SystemdTimerScheduler::TimerUnit(const std::string& file, const std::string& when,
                                             const std::string& normalized)
{
    return std::string(kFileComment) + file + "\n" + kWhenComment + when + "\n" +
           "[Unit]\n"
           "Description=ZE6Vivevu backup of " +
           WithoutSpecifiers(file) +
           "\n\n"
           "[Timer]\n"
           "OnCalendar=" +
           normalized +
           "\n"
           "Persistent=true\n\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

void SystemdTimerScheduler::Systemctl(const std::vector<std::string>& arguments)
{
    std::vector<std::string> all = {"--user"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const ProcessResult result = m_runner.Run("systemctl", all);
    if (!result.started || result.exitCode != 0) {
        std::string command = "systemctl";
        for (const auto& argument : all)
            command += " " + argument;
        throw ScheduleError(command + " failed" + (result.err.empty() ? "." : ": " + result.err));
    }
}

void SystemdTimerScheduler::Schedule(const std::string& file, const std::string& when, const std::string& normalized,
                                     const std::string& program)
{
    CheckSchedulablePath(file);
    CheckSchedulablePath(program);
    CheckSchedulablePath(when);
    const std::string folder = UnitFolder();
    if (!QDir().mkpath(QString::fromStdString(folder)))
        throw ScheduleError("Cannot create the folder " + folder + ".");
    const std::string name = UnitName(file);
    WriteUnit(folder + name + ".service", ServiceUnit(file, program));
    WriteUnit(folder + name + ".timer", TimerUnit(file, when, normalized));
    Systemctl({"daemon-reload"});
    Systemctl({"enable", name + ".timer"});
    // A timer that was already running takes its new times only on a restart.
    Systemctl({"restart", name + ".timer"});
}

bool SystemdTimerScheduler::Unschedule(const std::string& file)
{
    const std::string base = UnitFolder() + UnitName(file);
    if (!QFile::exists(QString::fromStdString(base + ".timer")))
        return false;
    Systemctl({"disable", "--now", UnitName(file) + ".timer"});
    for (const char* suffix : {".timer", ".service"}) {
        const QString path = QString::fromStdString(base + suffix);
        if (QFile::exists(path) && !QFile::remove(path))
            throw ScheduleError("Cannot remove " + path.toStdString() + ".");
    }
    Systemctl({"daemon-reload"});
    return true;
}

std::vector<ScheduledFile> SystemdTimerScheduler::List()
{
    std::vector<ScheduledFile> list;
    const QDir folder(QString::fromStdString(UnitFolder()));
    const QStringList names =
        folder.entryList({QString::fromLatin1(kPrefix) + QStringLiteral("*.timer")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile unit(folder.filePath(name));
        if (!unit.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = unit.readAll();
        ScheduledFile entry{CommentValue(text, kFileComment), CommentValue(text, kWhenComment)};
        if (!entry.file.empty())
            list.push_back(entry);
    }
    return list;
}

} // namespace ze6
