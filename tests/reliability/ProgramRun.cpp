#include "ProgramRun.h"

#include <QProcessEnvironment>
#include <algorithm>
#include <filesystem>
#include <random>
#include <regex>
#include <sstream>

namespace ze6::test {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

void ProgramRun::Start(QProcess& process, const Names& arguments, const ChildSetup& setup) const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), Q(m_temp / "home"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), Q(m_temp / "state/xdg"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Q(m_temp / "home/config"));
    environment.insert(QStringLiteral("ZE6VIVEVU_LOG"), Q(m_log));
    // A sanitized build reads its options from the environment.
    const QProcessEnvironment own = QProcessEnvironment::systemEnvironment();
    for (const QString& name : own.keys()) {
        if (name.endsWith(QStringLiteral("SAN_OPTIONS")))
            environment.insert(name, own.value(name));
    }
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(Q(m_temp.Path()));
    if (setup)
        process.setChildProcessModifier(setup);
    QStringList list;
    for (const auto& argument : arguments)
        list << Q(argument);
    process.start(QStringLiteral(ZE6_BINARY), list);
    process.waitForStarted();
}

Result ProgramRun::Run(const Names& arguments, const ChildSetup& setup, int timeoutMs) const
{
    QProcess process;
    Start(process, arguments, setup);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, "hung"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
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

Names FolderNames(const std::string& folder)
{
    Names names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937_64 generator(seed);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const auto word = generator();
        for (int b = 0; b < 8; ++b)
            bytes[i + b] = static_cast<char>(word >> (8 * b));
    }
    return bytes;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

} // namespace ze6::test
