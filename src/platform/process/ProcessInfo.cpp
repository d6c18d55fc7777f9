#include "platform/process/ProcessInfo.h"

#include "platform/files/PathText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ze6 {

namespace {
int g_argc = 0;
char* g_noArguments[] = {nullptr};
char** g_argv = g_noArguments;
} // namespace

std::string RebuildCommandText(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return {};
    if (arguments.size() == 1)
        return arguments.front();

    const bool quoteFirstTwo =
        arguments[0].find('"') == std::string::npos && arguments[1].find('"') == std::string::npos;
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            text += ' ';
        if (quoteFirstTwo && i < 2)
            text += '"' + arguments[i] + '"';
        else
            text += arguments[i];
    }
    return text;
}

void SetProcessArguments(int argc, char** argv)
{
    g_argc = argc;
    g_argv = argv;
}

int& ProcessArgc()
{
    return g_argc;
}

char** ProcessArgv()
{
    return g_argv;
}

std::string ExecutableName()
{
    std::string path;
    if (g_argc > 0 && g_argv[0] != nullptr)
        path = g_argv[0];
    if (path.empty())
        return "ZE6Vivevu";
    std::string name = FileSystem::NamePart(path);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name.empty() ? std::string("ZE6Vivevu") : name;
}

bool StandardErrorIsTerminal()
{
    const char* term = std::getenv("TERM");
    return ::isatty(STDERR_FILENO) == 1 && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

bool DisplayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

void SilenceToolkitMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

std::string HomeFolder()
{
    return FileSystem::WithTrailingSeparator(QDir::homePath().toStdString());
}

namespace {

// The parent of a process and its command name, from /proc.
bool ParentOf(pid_t pid, pid_t& parent, std::string& name)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return false;
    // "pid (name) state ppid ...": the name may hold blanks and parentheses.
    const auto open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 1));
    std::string state;
    long ppid = 0;
    if (!(rest >> state >> ppid))
        return false;
    parent = static_cast<pid_t>(ppid);
    return true;
}

} // namespace

bool StartedByScheduler()
{
    if (const char* invocation = std::getenv("INVOCATION_ID"); invocation != nullptr && *invocation != '\0')
        return true;
    // cron runs the line through a shell: cron, its child and the shell.
    pid_t pid = ::getppid();
    for (int level = 0; level < 3 && pid > 1; ++level) {
        pid_t parent = 0;
        std::string name;
        if (!ParentOf(pid, parent, name))
            return false;
        if (name == "cron" || name == "crond")
            return true;
        pid = parent;
    }
    return false;
}

} // namespace ze6
