#include "engine/ArchiveSeries.h"

#include "platform/files/FileSystem.h"

namespace ze6::modDAZadaro {

namespace {

// "yyyy-mm-dd-hh-mm-ss": what an archive name holds between its stem and ".RZZ".
constexpr std::string_view kTimestampForm = "dddd-dd-dd-dd-dd-dd";
constexpr std::size_t kTail = kTimestampForm.size() + kArchiveExtension.size();

bool HasTimestampForm(std::string_view text)
{
    if (text.size() != kTimestampForm.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool wantsDigit = kTimestampForm[i] == 'd';
        const bool isDigit = text[i] >= '0' && text[i] <= '9';
        if (wantsDigit != isDigit || (!wantsDigit && text[i] != '-'))
            return false;
    }
    return true;
}

} // namespace

std::optional<std::string> SeriesKey(const std::string& name)
{
    if (name.size() <= kTail)
        return std::nullopt;
    const std::string_view view(name);
    if (!HasTimestampForm(view.substr(name.size() - kTail, kTimestampForm.size())) ||
        !FileSystem::EqualIgnoringCase(name.substr(name.size() - kArchiveExtension.size()),
                                       std::string(kArchiveExtension)))
        return std::nullopt;
    return FileSystem::FoldCase(name.substr(0, name.size() - kTail));
}

std::string_view TimestampOf(std::string_view name)
{
    return name.size() < kTail ? std::string_view() : name.substr(name.size() - kTail, kTimestampForm.size());
}

std::string StemName(const std::string& archivePath, const std::string& targetFolder)
{
    if (archivePath.size() < targetFolder.size() + kTail)
        return {};
    return archivePath.substr(targetFolder.size(), archivePath.size() - kTail - targetFolder.size());
}

} // namespace ze6::modDAZadaro
