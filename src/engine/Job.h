#pragma once

#include "platform/files/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// One backup job as a value, and its text form, the job line, for everyone
// who reads or writes it: the command-line and configuration-file runners and
// the main window. Every reader goes through ParseJobLine and every writer
// through FormatJobLine. Texts are bytes: a path that is not valid UTF-8
// passes unchanged.
namespace ze6::modDAZadaro {

inline constexpr const char* kMissingSourceQuote = "ERROR - Missing Quote in SourcePath!";
inline constexpr const char* kMissingTarget = "ERROR - Missing TargetPath!";
inline constexpr const char* kMissingTargetQuote = "ERROR - Missing Quote in TargetPath!";
inline constexpr const char* kDefaultFilePattern = "*.rzt?";

// Which archives of a data file stay when its job has run. An archive stays
// when any rule keeps it; without any rule every archive stays.
struct RetentionRules {
    // The newest this many stay; 0 or less keeps every archive. A job read
    // the runner's way never holds a negative count; one read the window's
    // way keeps the number as written, so that it is shown and saved back.
    std::int32_t KeepLastCount = 0;
    // For the last n days (ISO weeks, months, years) that have an archive,
    // the newest archive of each stays; 0 is no such rule.
    std::int32_t KeepDailyCount = 0;
    std::int32_t KeepWeeklyCount = 0;
    std::int32_t KeepMonthlyCount = 0;
    std::int32_t KeepYearlyCount = 0;

    // True when some rule deletes archives at all.
    bool Prunes() const
    {
        return KeepLastCount > 0 || KeepDailyCount > 0 || KeepWeeklyCount > 0 || KeepMonthlyCount > 0 ||
               KeepYearlyCount > 0;
    }

    bool operator==(const RetentionRules&) const = default;
};

struct Job {
    std::string Source; // between its quotes, as written
    std::string Target; // between its quotes, as written; see TargetFolderOf
    RetentionRules Retention;
    // A new archive only when the data file or a companion differs from
    // the newest archive of the data file.
    bool IfChanged = false;

    bool operator==(const Job&) const = default;
};

// The error line the usage text shows for a malformed job line.
struct JobLineSyntaxError {
    std::string Message;

    bool operator==(const JobLineSyntaxError&) const = default;
};

// Where "KEEPLAST:" counts: the runner finds the first one anywhere after the
// target and treats a negative number as 0; the window, which reads only what
// it writes itself, takes it only right after the target, number as written.
enum class KeepLastReading { AnywhereAfterTarget, RightAfterTarget };

// Largest count of a calendar rule ("KEEPDAILY:1000000").
inline constexpr std::int32_t kMostCalendarCount = 1000000;

// Leading blanks are not skipped: only the configuration-file runner trims
// its lines. The words KEEPDAILY:n, KEEPWEEKLY:n, KEEPMONTHLY:n, KEEPYEARLY:n
// and IFCHANGED after the target (any case, in either reading) are read
// strictly: a count that is not a whole number from 1 to kMostCalendarCount,
// or a word given twice, is a syntax error that names it. Raises RuntimeError 6 "Overflow" for a keep-last number
// outside the signed 32-bit range.
std::variant<Job, JobLineSyntaxError> ParseJobLine(std::string_view jobLine,
                                                   KeepLastReading reading = KeepLastReading::AnywhereAfterTarget);

// The count of a calendar rule's text ("7" of "KEEPDAILY:7"): decimal digits
// only, from 1 to kMostCalendarCount; 0 for any other text.
std::int32_t ReadCalendarCount(std::string_view digits);

// The keep-last value of a keep-last text: the number it begins with, rounded
// half to even; no number gives 0. Raises RuntimeError 6 "Overflow" outside
// the signed 32-bit range.
std::int32_t ReadKeepLast(std::string_view text);

// The text form of a keep-last value: "" for 0 (keep every generation),
// otherwise its decimal digits.
std::string KeepLastText(std::int32_t count);

// The folder a job's archives go to: its target with exactly one final
// separator ("" is the root). The one place that decides it.
std::string TargetFolderOf(const Job& job);

// Where a job's data files are looked for.
struct JobSource {
    std::string SourceFolder; // ends in a separator, or empty for the current folder
    std::string FilePattern;  // the folder included

    bool operator==(const JobSource&) const = default;
};

// A source ending in "*.RZT?", ".RZT6" or ".RZT" (any case) names files;
// anything else is a folder whose "*.rzt?" files are taken.
JobSource ClassifySource(const std::string& source);

// The job as Execute and Copy Syntax hand it on: blanks at the ends of its
// source and target dropped.
Job Trimmed(Job job);

// A path longer than this cannot be one the system accepts.
inline constexpr std::size_t kLongestCell = FileSystem::kLongestPath;

enum class CellFault {
    None,
    // A double quote would end the path early and a CR or LF the line, so
    // the rest would be read as another job or option.
    QuoteOrLineBreak,
    TooLong,
};

CellFault CheckCell(std::string_view cell);
// The first fault of the job's source and target.
CellFault CheckJob(const Job& job);

// The job's options beyond the paths and "KEEPLAST:", as a job line writes
// them: each calendar rule it has ("KEEPDAILY:7"), daily to yearly, then
// "IFCHANGED", one blank between; "" for a job without any.
std::string RuleWordsText(const Job& job);

// The line the window writes for a job: both paths in quotes, as they stand,
// and "KEEPLAST:" with the count's text, then RuleWordsText after one blank
// when the job has any; no line end.
std::string FormatJobLine(const Job& job);

// The job line that runs a job (Execute, Copy Syntax, schedulers):
// FormatJobLine of the trimmed job.
std::string GetCommandLine(const Job& job);

// Every job line of a configuration file as the window writes it, each ending
// in CR LF; an empty list gives an empty file.
std::string FormatJobFile(const std::vector<Job>& jobs);

// What the window takes from a configuration file. Lines it cannot show are
// skipped, except that a line holding more quotes than a job line can (a path
// with a quote in it) refuses the whole file, and a line with a path longer
// than a path can be is left out and named.
struct JobFileContent {
    std::vector<Job> jobs;
    std::vector<std::size_t> tooLongLines; // numbers of the lines left out, from 1
    std::size_t quoteInPathLine = 0;       // the first such line, or 0 when the file is usable
};

// Raises RuntimeError on a read error.
JobFileContent ParseJobFile(std::istream& input);

} // namespace ze6::modDAZadaro
