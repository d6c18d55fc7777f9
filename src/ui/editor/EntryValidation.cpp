#include "ui/editor/EntryValidation.h"

#include "engine/LeadingNumber.h"
#include "engine/PathOperations.h"
#include "platform/RuntimeError.h"
#include "platform/files/PathText.h"

#include <cctype>

namespace ze6::EntryValidation {

namespace {

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Skips a run of digits and says how many there were.
std::size_t SkipDigits(std::string_view text, std::size_t& pos)
{
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    return pos - start;
}

} // namespace

std::string CreateFolderFailedText(const std::string& target)
{
    return "Error creating folder '" + target + "'";
}

std::string UnusablePathText(const std::string& what, modDAZadaro::CellFault fault)
{
    if (fault == modDAZadaro::CellFault::TooLong)
        return what + " must not be longer than " + std::to_string(modDAZadaro::kLongestCell) + " bytes";
    return what + " must not contain a double quote or a line break";
}

QString FolderWithSeparator(const QString& folder)
{
    return QString::fromStdString(
        FileSystem::WithTrailingSeparator(FileSystem::WithoutTrailingSeparators(folder.toStdString())));
}

QStringList BuildSourceFiles(const QString& currentFolder, const std::vector<FileGridRow>& rows)
{
    QStringList entries;
    std::size_t ticked = 0;
    for (const FileGridRow& row : rows)
        ticked += row.ticked ? 1 : 0;
    if (ticked == 0)
        return entries;
    if (ticked == rows.size()) {
        entries << currentFolder + QString::fromUtf8(kDataFilePattern);
        return entries;
    }
    for (const FileGridRow& row : rows) {
        if (row.ticked)
            entries << currentFolder + row.name;
    }
    return entries;
}

std::string NormaliseTarget(std::string_view text)
{
    std::string target = modDAZadaro::TrimBlanks(text);
    if (target.empty())
        return target;
    return FileSystem::WithTrailingSeparator(FileSystem::WithoutTrailingSeparators(target));
}

bool IsNumericText(std::string_view text)
{
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    std::size_t digits = SkipDigits(text, pos);
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        digits += SkipDigits(text, pos);
    }
    if (digits == 0)
        return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E' || text[pos] == 'd' || text[pos] == 'D')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        if (SkipDigits(text, pos) == 0)
            return false;
    }
    return pos == text.size();
}

KeepLastResult CheckKeepLast(std::string_view text)
{
    const std::string trimmed = modDAZadaro::TrimBlanks(text);
    if (trimmed.empty())
        return {KeepLastVerdict::Accepted, 0};
    if (!IsNumericText(trimmed))
        return {KeepLastVerdict::NotNumeric, 0};
    const double value = modDAZadaro::ReadLeadingNumber(trimmed);
    if (value < 0)
        return {KeepLastVerdict::Negative, 0};
    try {
        return {KeepLastVerdict::Accepted, modDAZadaro::ReadKeepLast(trimmed)};
    } catch (const RuntimeError&) {
        // Passes the numeric test but cannot be stored as a count.
        return {KeepLastVerdict::TooLarge, 0};
    }
}

std::optional<std::int32_t> CheckCalendarCount(std::string_view text)
{
    const std::string trimmed = modDAZadaro::TrimBlanks(text);
    if (trimmed.empty())
        return 0;
    const std::int32_t count = modDAZadaro::ReadCalendarCount(trimmed);
    return count == 0 ? std::nullopt : std::optional(count);
}

std::string CalendarCountText(const std::string& rule)
{
    return "Keep " + rule + " value must be a whole number from 1 to " + std::to_string(modDAZadaro::kMostCalendarCount);
}

} // namespace ze6::EntryValidation
