#include "support/ProgramRun.h"

#include <QProcessEnvironment>
#include <algorithm>
#include <regex>
#include <sstream>
#include <thread>

namespace ze6::test {

testing::AssertionResult Silent(const Result& result, int status)
{
    if (result.status == status && result.out.empty() && result.err.empty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "status " << result.status << ", wanted " << status
                                       << "; out: " << testing::PrintToString(result.out)
                                       << "; err: " << testing::PrintToString(result.err);
}

ProgramRun& ProgramRun::With(const std::string& name, const std::string& value)
{
    m_environment.emplace_back(name, value);
    return *this;
}

namespace {

QStringList ToList(const Names& arguments)
{
    QStringList list;
    for (const auto& argument : arguments)
        list << QString::fromStdString(argument);
    return list;
}

Result Finished(QProcess& process, int milliseconds)
{
    if (!process.waitForFinished(milliseconds)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, "hung"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}

} // namespace

void ProgramRun::Start(QProcess& process, const Names& arguments, const ChildSetup& setup) const
{
    const auto q = [](const std::string& text) { return QString::fromStdString(text); };
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), q(m_temp / "home"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), q(m_temp / "state/xdg"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), q(m_temp / "home/config"));
    environment.insert(QStringLiteral("ZE6VIVEVU_LOG"), q(m_log));
    // An empty runtime folder: no session bus and no systemd user manager, so
    // a run never reaches the desktop or the units of the person testing.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), q(m_temp.MakeFolder("runtime")));
    // A sanitized build reads its options from the environment.
    const QProcessEnvironment own = QProcessEnvironment::systemEnvironment();
    for (const QString& name : own.keys()) {
        if (name.endsWith(QStringLiteral("SAN_OPTIONS")))
            environment.insert(name, own.value(name));
    }
    for (const auto& [name, value] : m_environment)
        environment.insert(q(name), q(value));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(q(m_temp.Path()));
    if (setup)
        process.setChildProcessModifier(setup);
    process.start(QStringLiteral(ZE6_BINARY), ToList(arguments));
    process.waitForStarted();
}

Result ProgramRun::Run(const Names& arguments, const ChildSetup& setup) const
{
    QProcess process;
    Start(process, arguments, setup);
    return Finished(process, 120000);
}

Result RunTool(const std::string& program, const Names& arguments, const std::string& input)
{
    QProcess process;
    process.start(QString::fromStdString(program), ToList(arguments));
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    return Finished(process, 60000);
}

bool RunningUntil(const QProcess& process, const std::function<bool()>& reached, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!reached() && process.state() != QProcess::NotRunning && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return reached();
}

Names Stamped(const std::string& folder)
{
    static const std::regex kStamp(R"(_(?!2020)\d{4}-\d\d-\d\d-\d\d-\d\d-\d\d\.RZZ$)");
    Names names = FolderNames(folder);
    for (auto& name : names)
        name = std::regex_replace(name, kStamp, "_<t>.RZZ");
    std::sort(names.begin(), names.end());
    return names;
}

Names LogEntries(const std::string& logPath)
{
    Names entries;
    std::istringstream lines(ReadFile(logPath));
    static const std::regex kPrefix(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[Legacy\.ZE6Vivevu\] \[error\] )");
    for (std::string line; std::getline(lines, line);)
        entries.push_back(std::regex_replace(line, kPrefix, ""));
    return entries;
}

} // namespace ze6::test
