#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/PathText.h"
#include "platform/log/LogLocation.h"
#include "platform/process/ProcessInfo.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fmt/format.h>
#include <memory>
#include <optional>
#include <spdlog/details/null_mutex.h>
#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6 {

namespace {

constexpr const char* kSource = "LogComponent";
constexpr std::int32_t kInvalidArgument = 5;
constexpr std::int32_t kOutOfMemory = 7;
constexpr const char* kPattern = "[%Y-%m-%d %H:%M:%S.%e] [%n] [%l] %v";

struct LogLocation {
    std::string path;
    mode_t folderMode = 0777;
};

// ZE6VIVEVU_LOG names the file; otherwise the XDG state folder (private, as
// that standard asks), which is ~/.local/state when XDG_STATE_HOME is unset
// or not absolute.
LogLocation CurrentLocation()
{
    if (const char* file = std::getenv("ZE6VIVEVU_LOG"); file != nullptr && *file != '\0')
        return {file, 0777};
    std::string state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == FileSystem::kSeparator)
        state = xdg;
    else
        state = HomeFolder() + ".local/state";
    return {FileSystem::WithTrailingSeparator(state) + "ZE6Vivevu/ZE6Vivevu.log", 0700};
}

// Creates every missing folder above `path`; the errno of the first failure, or 0.
int CreateFoldersAbove(const std::string& path, mode_t mode)
{
    for (std::size_t slash = path.find(FileSystem::kSeparator, 1); slash != std::string::npos;
         slash = path.find(FileSystem::kSeparator, slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), mode) == 0 || errno != EEXIST)
            continue;
        struct stat status {};
        if (::stat(folder.c_str(), &status) != 0)
            return errno;
        if (!S_ISDIR(status.st_mode))
            return ENOTDIR;
    }
    return 0;
}

// Appends each entry with one write to a file opened for that entry alone:
// nothing waits in a buffer when the process is killed, entries of processes
// running at the same time do not interleave (O_APPEND), and a log file that
// was moved away or deleted is simply started again.
class AppendingFileSink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
public:
    std::optional<RuntimeError> TakeFailure() { return std::exchange(m_failure, std::nullopt); }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        spdlog::memory_buf_t line;
        formatter_->format(message, line);
        const LogLocation location = CurrentLocation();
        if (const int error = CreateFoldersAbove(location.path, location.folderMode); error != 0) {
            Fail(error, location.path);
            return;
        }
        const int descriptor =
            ::open(location.path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0666);
        if (descriptor < 0) {
            Fail(errno, location.path);
            return;
        }
        std::size_t written = 0;
        while (written < line.size()) {
            const ssize_t count = ::write(descriptor, line.data() + written, line.size() - written);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                Fail(count < 0 ? errno : EIO, location.path);
                ::close(descriptor);
                return;
            }
            written += static_cast<std::size_t>(count);
        }
        // Network file systems report a failed write only when the file is closed.
        if (::close(descriptor) != 0 && errno != EINTR)
            Fail(errno, location.path);
    }

    void flush_() override {}

private:
    void Fail(int error, const std::string& path)
    {
        if (!m_failure)
            m_failure = ErrorFromErrno(error, kSource, path);
    }

    std::optional<RuntimeError> m_failure;
};

class FileLogComponent final : public LogComponent {
public:
    void SetLoggerName(const std::string& name) override
    {
        m_name = name;
        m_logger.reset();
    }

    void WriteError(const std::string& messageTemplate, const std::string& moduleName, const std::string& procName,
                    const std::string& message) override
    {
        try {
            Write(Format(messageTemplate, moduleName, procName, message));
        } catch (const RuntimeError&) {
            throw;
        } catch (const std::bad_alloc&) {
            throw RuntimeError(kOutOfMemory, DescribeErrorNumber(kOutOfMemory), kSource);
        } catch (const std::exception& error) {
            throw RuntimeError(ErrorNumber::PathFileAccessError, error.what(), kSource);
        }
    }

private:
    static std::string Format(const std::string& messageTemplate, const std::string& moduleName,
                              const std::string& procName, const std::string& message)
    {
        std::string text;
        try {
            text = fmt::format(fmt::runtime(messageTemplate), fmt::arg("ModuleName", moduleName),
                               fmt::arg("ProcName", procName), fmt::arg("Message", message));
        } catch (const fmt::format_error&) {
            throw RuntimeError(kInvalidArgument, DescribeErrorNumber(kInvalidArgument), kSource);
        }
        // One entry is one line, whatever a file name or message holds.
        for (char& c : text) {
            if (c == '\n' || c == '\r')
                c = ' ';
        }
        return text;
    }

    void Write(const std::string& text)
    {
        if (!m_logger) {
            m_sink = std::make_shared<AppendingFileSink>();
            // Not registered with spdlog: components of the same name may
            // exist side by side (and one after another in tests).
            m_logger = std::make_shared<spdlog::logger>(m_name, m_sink);
            m_logger->set_formatter(std::make_unique<spdlog::pattern_formatter>(kPattern));
            m_logger->set_level(spdlog::level::trace);
            m_logger->set_error_handler([this](const std::string& error) { m_handlerError = error; });
        }
        m_handlerError.reset();
        m_logger->log(spdlog::level::err, spdlog::string_view_t(text.data(), text.size()));
        if (auto failure = m_sink->TakeFailure())
            throw std::move(*failure);
        if (m_handlerError)
            throw RuntimeError(ErrorNumber::PathFileAccessError, *m_handlerError, kSource);
    }

    std::string m_name;
    std::shared_ptr<AppendingFileSink> m_sink;
    std::shared_ptr<spdlog::logger> m_logger;
    std::optional<std::string> m_handlerError;
};

} // namespace

std::string ApplicationLogPath()
{
    return CurrentLocation().path;
}

std::unique_ptr<LogComponent> MakeFileLogComponent()
{
    return std::make_unique<FileLogComponent>();
}

} // namespace ze6
