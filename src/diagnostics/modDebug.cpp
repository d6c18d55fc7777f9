#include "diagnostics/modDebug.h"

#include "platform/Components.h"
#include "platform/RuntimeError.h"

#include <memory>
#include <vector>

namespace ze6::modDebug {

namespace {

// The one log component of the process: created on the first report and kept
// until the process ends, so a run without failures never touches the log.
std::unique_ptr<LogComponent>& StoredLogger()
{
    static std::unique_ptr<LogComponent> logger;
    return logger;
}

int& Reports()
{
    static int count = 0;
    return count;
}

// Only the first few entries are kept: a failure report names the first one.
constexpr std::size_t kKeptTexts = 16;

std::vector<std::string>& ReportTexts()
{
    static std::vector<std::string> texts;
    return texts;
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
    // Counted before the log is touched: a report whose entry could not be
    // written still decides the exit status.
    ++Reports();
    const std::string text = ComposeErrorText(message, errorNumber, source);
    if (ReportTexts().size() < kKeptTexts && static_cast<int>(ReportTexts().size()) == Reports() - 1)
        ReportTexts().push_back("ERROR: " + moduleName + ", " + procName + ", " + text);
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

int ReportCount()
{
    return Reports();
}

std::string ReportText(int index)
{
    const auto& texts = ReportTexts();
    return index >= 0 && static_cast<std::size_t>(index) < texts.size() ? texts[static_cast<std::size_t>(index)]
                                                                        : std::string();
}

void ResetForTesting()
{
    ReportTexts().clear();
    StoredLogger().reset();
    Reports() = 0;
}

} // namespace ze6::modDebug
