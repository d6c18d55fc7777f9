#include "engine/ErrorHandler.h"

#include "diagnostics/modDebug.h"
#include "engine/RunProgress.h"
#include "platform/RuntimeError.h"

#include <cstdio>
#include <exception>
#include <new>

namespace ze6::modDAZadaro {

namespace {

// Classic numbers for failures that do not come as a RuntimeError.
constexpr std::int32_t kOutOfMemory = 7;
constexpr std::int32_t kInternalError = 51;

std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

void WriteToStandardError(const std::string& procName, const std::string& entry, const std::string& logFailure)
{
    const std::string line = OneLine("ERROR: " + std::string(kModuleName) + ", " + procName + ", " + entry +
                                     " [not logged: " + logFailure + "]") +
                             "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace

void ReportError(const std::string& procName, const std::string& message, std::int32_t errorNumber,
                 const std::string& source)
{
    std::string logFailure;
    try {
        modDebug::LogError(kModuleName, procName, message, errorNumber, source, false);
        return;
    } catch (const RuntimeError& error) {
        logFailure = modDebug::ComposeErrorText(error.Description(), error.Number(), error.Source());
    } catch (const std::exception& error) {
        logFailure = error.what();
    } catch (...) {
        logFailure = "unknown failure of the log";
    }
    WriteToStandardError(procName, modDebug::ComposeErrorText(message, errorNumber, source), logFailure);
}

void ReportError(RunOutcome& run, const std::string& procName, const std::string& message, std::int32_t errorNumber,
                 const std::string& source)
{
    // Counted before the log is touched: a report whose entry could not be
    // written still decides the exit status.
    if (run.EntriesLogged++ == 0 || run.JobFirstEntry.empty()) {
        std::string entry = "ERROR: " + std::string(kModuleName) + ", " + procName + ", " +
                            modDebug::ComposeErrorText(message, errorNumber, source);
        if (run.EntriesLogged == 1)
            run.FirstEntry = entry;
        if (run.JobFirstEntry.empty())
            run.JobFirstEntry = std::move(entry);
    }
    ReportError(procName, message, errorNumber, source);
}

void RunWithErrorHandler(RunOutcome& run, const std::string& procName, const std::function<void()>& body)
{
    try {
        body();
    } catch (const RuntimeError& error) {
        ReportError(run, procName, error.Description(), error.Number(), error.Source());
    } catch (const std::bad_alloc&) {
        ReportError(run, procName, "Out of memory", kOutOfMemory, kProgramErrorSource);
    } catch (const std::exception& error) {
        ReportError(run, procName, std::string("Internal error: ") + error.what(), kInternalError, kProgramErrorSource);
    }
}

} // namespace ze6::modDAZadaro
