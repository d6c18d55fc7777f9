#pragma once

#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The job line, the text form of one backup job, for everyone who reads or
// writes it: the command-line and configuration-file runners and the main
// window. Texts are bytes: a path that is not valid UTF-8 passes unchanged.
namespace ze6::modDAZadaro {

inline constexpr const char* kMissingSourceQuote = "ERROR - Missing Quote in SourcePath!";
inline constexpr const char* kMissingTarget = "ERROR - Missing TargetPath!";
inline constexpr const char* kMissingTargetQuote = "ERROR - Missing Quote in TargetPath!";
inline constexpr const char* kDefaultFilePattern = "*.rzt?";

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

// Leading blanks are not skipped: only the configuration-file runner trims its lines.
std::variant<JobLineParts, JobLineSyntaxError> ParseJobLine(std::string_view jobLine);

// The keep-last value of a keep-last text: the number it begins with, rounded
// half to even; no number gives 0. Raises RuntimeError 6 "Overflow" outside
// the signed 32-bit range.
std::int32_t ReadKeepLast(std::string_view text);

// The text form of a keep-last value: "" for 0 (keep every generation),
// otherwise its decimal digits.
std::string KeepLastText(std::int32_t count);

// What the runner keeps: the value after the first "KEEPLAST:" anywhere in the
// options (any case); 0 without one or when negative. Raises as ReadKeepLast.
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

// One job as three text cells, kept exactly as entered or loaded.
struct JobRow {
    std::string source;
    std::string target;
    std::string keepLast; // "" keeps every generation, otherwise decimal digits

    bool operator==(const JobRow&) const = default;
};

// A cell longer than this cannot be a path the system accepts.
inline constexpr std::size_t kLongestCell = FileSystem::kLongestPath;

enum class CellFault {
    None,
    // A double quote would end the path early and a CR or LF the line, so
    // the rest would be read as another job or option.
    QuoteOrLineBreak,
    TooLong,
};

CellFault CheckCell(std::string_view cell);
// The first fault of the three cells.
CellFault CheckJob(const JobRow& row);

// The line the window writes for a job: both paths in quotes and "KEEPLAST:"
// with the keep-last cell, the cells as they stand; no line end.
std::string FormatJobLine(const JobRow& row);

// The job line that runs a job (Execute, Copy Syntax): as FormatJobLine with
// the blanks at the ends of each cell dropped.
std::string GetCommandLine(const JobRow& row);

// Every job line of a configuration file as the window writes it, each ending
// in CR LF; an empty list gives an empty file.
std::string FormatJobFile(const std::vector<JobRow>& rows);

// What the window takes from a configuration file. Lines it cannot show are
// skipped, except that a line holding more quotes than a job line can (a path
// with a quote in it) refuses the whole file, and a line with a cell longer
// than a path can be is left out and named.
struct JobFileContent {
    std::vector<JobRow> rows;
    std::vector<std::size_t> tooLongLines; // numbers of the lines left out, from 1
    std::size_t quoteInPathLine = 0;       // the first such line, or 0 when the file is usable
};

// Raises RuntimeError on a read error.
JobFileContent ParseJobFile(std::istream& input);

} // namespace ze6::modDAZadaro
