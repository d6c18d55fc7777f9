#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

// The job-line grammar as pure functions, so the main window's loader and the
// tests read lines exactly the way the runner does.
namespace ze6::modDAZadaro {

// The three parts of a job line that parsed: both paths without their quotes
// and the trimmed text after the target's closing quote.
struct JobLineParts {
    std::string Source;
    std::string Target;
    std::string Options;

    bool operator==(const JobLineParts&) const = default;
};

// The error line the usage text shows for a malformed job line.
struct JobLineSyntaxError {
    std::string Message;

    bool operator==(const JobLineSyntaxError&) const = default;
};

std::variant<JobLineParts, JobLineSyntaxError> ParseJobLine(std::string_view jobLine);

// The keep-last value of an options text: the leading number after the first
// "KEEPLAST:" (any case), rounded half to even; 0 without one or when negative.
// Raises RuntimeError 6 "Overflow" outside the signed 32-bit range.
std::int32_t KeepLastFromOptions(std::string_view options);

// Where a job's data files are looked for.
struct JobSource {
    std::string SourceFolder; // ends in a separator, or empty for the current folder
    std::string FilePattern;  // the folder included

    bool operator==(const JobSource&) const = default;
};

// A source ending in "*.RZT?", ".RZT6" or ".RZT" (any case) names files;
// anything else is a folder whose "*.rzt?" files are taken.
JobSource ClassifySource(const std::string& source);

inline constexpr const char* kMissingSourceQuote = "ERROR - Missing Quote in SourcePath!";
inline constexpr const char* kMissingTarget = "ERROR - Missing TargetPath!";
inline constexpr const char* kMissingTargetQuote = "ERROR - Missing Quote in TargetPath!";
inline constexpr const char* kDefaultFilePattern = "*.rzt?";

} // namespace ze6::modDAZadaro
