#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ze6::modDAZadaro {

struct RunOutcome;

inline constexpr const char* kModuleName = "modDAZadaro";

// Reports one error of this module through LogError. When the log itself
// cannot take the entry, the entry goes to standard error as one line instead,
// so that the job still finishes and the failure is not lost.
void ReportError(const std::string& procName, const std::string& message, std::int32_t errorNumber,
                 const std::string& source);

// The same for a report made during a run, which counts it in the run's
// outcome and keeps the text of its first entry.
void ReportError(RunOutcome& run, const std::string& procName, const std::string& message, std::int32_t errorNumber,
                 const std::string& source);

// Runs a procedure body under its one error handler: any error that escapes
// the body is reported under procName and the procedure returns normally.
void RunWithErrorHandler(RunOutcome& run, const std::string& procName, const std::function<void()>& body);

} // namespace ze6::modDAZadaro
