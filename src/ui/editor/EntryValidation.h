#pragma once

#include "engine/Job.h"
#include "ui/editor/FileGridRow.h"

#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The editor's rules for turning what the user picked and typed into a job:
// plain functions, so they are tested without a window.
namespace ze6::EntryValidation {

// Every data file of a folder: ".RZT" and ".RZT" plus one character, any case.
inline constexpr const char* kDataFilePattern = "*.RZT?";

inline constexpr const char* kNoSourceFiles = "No Source File(s) Selected";
inline constexpr const char* kTargetRequired = "Target Folder must be specified";
inline constexpr const char* kTargetMissingQuestion =
    "Warning: Target Folder does not exist\r\n\r\nDo you wish to create it now?";
inline constexpr const char* kKeepLastNotNumeric = "Keep Last value must be numeric";
inline constexpr const char* kKeepLastNegative = "Keep Last value must be positive";
inline constexpr const char* kKeepLastTooLarge = "Keep Last value must not be greater than 2147483647";

std::string CreateFolderFailedText(const std::string& target);

// Why a path cannot go into a job line, e.g. "Target Folder must not contain a
// double quote or a line break"; `what` names the path.
std::string UnusablePathText(const std::string& what, modDAZadaro::CellFault fault);

// The folder with exactly one separator at its end ("/" stays "/").
QString FolderWithSeparator(const QString& folder);

// One job source per ticked row, or the whole-folder pattern when every row is
// ticked (it then also covers files added to the folder later). Empty when no
// row is ticked.
QStringList BuildSourceFiles(const QString& currentFolder, const std::vector<FileGridRow>& rows);

// The target as it is stored: blanks trimmed, ending in exactly one separator;
// empty when nothing but blanks was typed.
std::string NormaliseTarget(std::string_view text);

// Optional sign, digits with at most one decimal point, optional exponent.
bool IsNumericText(std::string_view text);

enum class KeepLastVerdict { Accepted, NotNumeric, Negative, TooLarge };

struct KeepLastResult {
    KeepLastVerdict verdict = KeepLastVerdict::Accepted;
    std::int32_t count = 0; // 0 keeps every generation

    bool operator==(const KeepLastResult&) const = default;
};

// Blank means unlimited; a number is read from the start of the text and
// rounded half to even.
KeepLastResult CheckKeepLast(std::string_view text);

// A calendar field: blank is off (0); otherwise the count a job line accepts
// after "KEEPDAILY:" (blanks around it allowed), or nullopt when it is none.
std::optional<std::int32_t> CheckCalendarCount(std::string_view text);

// The refusal of a calendar field, e.g. "Keep Daily value must be a whole
// number from 1 to 1000000"; `rule` names the field.
std::string CalendarCountText(const std::string& rule);

} // namespace ze6::EntryValidation
