#pragma once

#include <cstdint>
#include <string>

namespace ze6 {
class LogComponent;
}

// The one place where the program reports failures: to the application log.
namespace ze6::modDebug {

inline constexpr const char* kLoggerName = "Legacy.ZE6Vivevu";
inline constexpr const char* kLogTemplate = "ERROR: {ModuleName}, {ProcName}, {Message}";

// "Runtime error occured: <number> - <message>[ Source: <source>]".
std::string ComposeErrorText(const std::string& message, std::int32_t errorNumber, const std::string& source);

// Writes one error entry "ERROR: {ModuleName}, {ProcName}, {Message}" whose
// message is "Runtime error occured: <number> - <message>[ Source: <source>]".
// With reRaise, raises the same RuntimeError again after logging. A failure of
// the log component itself propagates.
void LogError(std::string moduleName, std::string procName, std::string message, std::int32_t errorNumber,
              std::string source, bool reRaise);

// The process-wide log component, created and named on first use.
LogComponent& GetLogger();

// Drops the log component, so a test starts like a new process.
void ResetForTesting();

} // namespace ze6::modDebug
