#include "diagnostics/modDebug.h"

#include "platform/Components.h"
#include "platform/RuntimeError.h"

#include <memory>

namespace ze6::modDebug {

namespace {

// The one log component of the process: created on the first report and kept
// until the process ends, so a run without failures never touches the log.
std::unique_ptr<LogComponent>& StoredLogger()
{
    static std::unique_ptr<LogComponent> logger;
    return logger;
}

} // namespace

std::string ComposeErrorText(const std::string& message, std::int32_t errorNumber, const std::string& source)
{
    std::string text = "Runtime error occured: " + std::to_string(errorNumber) + " - " + message;
    if (!source.empty())
        text += " Source: " + source;
    return text;
}

void LogError(std::string moduleName, std::string procName, std::string message, std::int32_t errorNumber,
              std::string source, bool reRaise)
{
    const std::string text = ComposeErrorText(message, errorNumber, source);
    GetLogger().WriteError(kLogTemplate, moduleName, procName, text);
    if (reRaise)
        throw RuntimeError(errorNumber, message, source);
}

LogComponent& GetLogger()
{
    auto& logger = StoredLogger();
    if (!logger) {
        auto created = GetComponents().CreateLogComponent();
        if (!created)
            Raise(ErrorNumber::PathFileAccessError, "LogComponent");
        // Stored before it is named: a component that refuses its name is
        // still the process's log, and is not named again.
        logger = std::move(created);
        logger->SetLoggerName(kLoggerName);
    }
    return *logger;
}

void ResetForTesting()
{
    StoredLogger().reset();
}

} // namespace ze6::modDebug
