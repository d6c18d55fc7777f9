// Placeholder until the error reporter lands.
#include "diagnostics/modDebug.h"
#include "platform/Components.h"
#include "platform/RuntimeError.h"

namespace ze6::modDebug {
void LogError(std::string, std::string, std::string, std::int32_t, std::string, bool) {}
LogComponent& GetLogger() { Raise(ErrorNumber::PathFileAccessError, "LogComponent"); }
int ReportCount() { return 0; }
void ResetForTesting() {}
}  // namespace ze6::modDebug
