#include "BinaryRunner.h"

#include <cerrno>
#include <fcntl.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace ze6::test {

BinaryRunner::BinaryRunner()
{
    const char* path = std::getenv("PATH");
    environment = {
        "PATH=" + std::string(path != nullptr ? path : "/usr/bin:/bin"),
        "HOME=" + m_temp.MakeFolder("home"),
        "XDG_STATE_HOME=" + m_temp.MakeFolder("state"),
        "XDG_CONFIG_HOME=" + m_temp.MakeFolder("config"),
        "XDG_RUNTIME_DIR=" + m_temp.MakeFolder("runtime"),
        "LANG=C.UTF-8",
        "ZE6VIVEVU_LOG=" + LogPath(),
    };
}

RunResult BinaryRunner::Run(const std::vector<std::string>& arguments, const std::string& workingFolder) const
{
    const std::string outPath = m_temp / "stdout.txt";
    const std::string errPath = m_temp / "stderr.txt";

    std::vector<char*> argv;
    std::string binary = ZE6_BINARY;
    argv.push_back(binary.data());
    std::vector<std::string> argumentCopies = arguments;
    for (auto& argument : argumentCopies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environmentCopies = environment;
    std::vector<char*> envp;
    for (auto& variable : environmentCopies)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::dup2(in, 0) < 0)
            ::_exit(126);
        if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    RunResult result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.standardOutput = ReadFile(outPath);
    result.standardError = ReadFile(errPath);
    return result;
}

std::string BinaryRunner::LogText() const
{
    return ReadFile(LogPath());
}

std::vector<std::string> BinaryRunner::LoggedEntries() const
{
    static const std::string kPrefix = "] [Legacy.ZE6Vivevu] [error] ";
    std::vector<std::string> entries;
    std::istringstream lines(LogText());
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(kPrefix);
        entries.push_back(at == std::string::npos ? "(unexpected) " + line : line.substr(at + kPrefix.size()));
    }
    return entries;
}

std::string UsageOnStandardError(const std::string& message)
{
    std::string text = "Ranzel Backup Utility - V6.1.400\n\n";
    if (!message.empty())
        text += message + "\n";
    text += std::string(85, '_') + "\n\n";
    text += "Format: ZE6Vivevu \"SourcePath[Filespec]\" \"TargetPath\" [KEEPLAST:n]\n\n";
    text += "ie  ZE6Vivevu \"C:\\RZDATA\\*.RZT\" \"C:\\RZDATA\\BACKUP\\\" KEEPLAST:5\n\n";
    text += "Alternatively: ZE6Vivevu <FileName>.RZB\n";
    return text;
}

}  // namespace ze6::test
