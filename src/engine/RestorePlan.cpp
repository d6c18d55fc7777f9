#include "engine/RestorePlan.h"

#include "platform/RuntimeError.h"
#include "platform/files/FileStatus.h"
#include "platform/files/FileSystem.h"

#include <optional>
#include <unordered_set>

namespace ze6::modDAZadaro {

namespace {

// Far more than the names of any folder's files.
constexpr std::uint64_t kLongestCreatedFilesList = 16 * 1024 * 1024;

[[noreturn]] void Fail(std::int32_t number, const std::string& description)
{
    throw RuntimeError(number, description, kProgramErrorSource);
}

void CheckName(const std::string& name, const std::string& shown, const std::string& archive)
{
    if (name.empty() || name == "." || name == ".." || name.find(FileSystem::kSeparator) != std::string::npos ||
        name.find('\0') != std::string::npos)
        Fail(ErrorNumber::BadFileName, "Entry " + shown + " is not a plain file name: " + archive);
}

bool IsCreatedFilesEntry(const ArchiveEntry& entry)
{
    return !entry.folder && entry.name == kCreatedFilesEntry;
}

} // namespace

void CheckEntryNames(const std::vector<ArchiveEntry>& entries, const std::string& archive)
{
    std::unordered_set<std::string> seen;
    for (const auto& entry : entries) {
        const std::string name = entry.folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
        CheckName(name, entry.name, archive);
        if (!seen.insert(FileSystem::FoldCase(name)).second)
            Fail(ErrorNumber::BadFileName, "Two entries are named " + name + ": " + archive);
    }
}

std::vector<std::string> CreatedFilesOf(ArchiveReader& reader)
{
    const auto& entries = reader.Entries();
    std::vector<std::string> names;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!IsCreatedFilesEntry(entries[i]))
            continue;
        const std::string text = reader.Read(i, kLongestCreatedFilesList);
        // Each name ends in a NUL, which no name can hold.
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
            names.push_back(text.substr(start, end - start));
            CheckName(names.back(), names.back(), reader.Path());
        }
    }
    return names;
}

std::string CreatedFilesText(const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& name : names) {
        text += name;
        text += '\0';
    }
    return text;
}

std::vector<RestoreStep> PlanRestore(const std::vector<ArchiveEntry>& entries, const std::vector<std::string>& removals,
                                     const std::string& destination)
{
    using Kind = RestoreStep::Kind;
    std::vector<RestoreStep> steps;
    std::unordered_set<std::string> named;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ArchiveEntry& entry = entries[i];
        if (IsCreatedFilesEntry(entry))
            continue;
        const std::string name = entry.folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
        named.insert(FileSystem::FoldCase(name));
        const std::vector<std::string> taken = FileSystem::EntriesNamedIgnoringCase(destination, name);
        for (const auto& path : taken) {
            if (FileSystem::IsUntrustedLink(path))
                Fail(ErrorNumber::PermissionDenied, DescribeErrorNumber(ErrorNumber::PermissionDenied) + ": " + path);
        }
        // Names that differ only in case may all exist: the first of the
        // right kind is the one the entry goes to.
        std::optional<std::string> match;
        for (const auto& path : taken) {
            const auto status = StatusOf(path);
            if (status && (status->folder || FileSystem::IsRegularFile(path)) && status->folder == entry.folder) {
                match = path;
                break;
            }
        }
        if (entry.folder) {
            if (!match && !taken.empty())
                Fail(ErrorNumber::PathFileAccessError,
                     "A file stands where a folder is to be restored: " + taken.front());
            if (!match)
                steps.push_back({Kind::NewFolder, i, destination + name});
            continue;
        }
        if (!match && !taken.empty()) {
            const auto status = StatusOf(taken.front());
            Fail(ErrorNumber::PathFileAccessError,
                 std::string(status && status->folder ? "A folder stands where a file is to be restored: "
                                                      : "What stands where a file is to be restored is no file: ") +
                     taken.front());
        }
        steps.push_back(match ? RestoreStep{Kind::ReplaceFile, i, *match}
                              : RestoreStep{Kind::NewFile, i, destination + name});
    }
    for (const auto& name : removals) {
        if (named.count(FileSystem::FoldCase(name)))
            continue;
        // Only a file as a restore makes it: not a link, a folder or a device put there since.
        for (const auto& path : FileSystem::EntriesNamedIgnoringCase(destination, name)) {
            const auto facts = FileSystem::EntryFactsOf(path);
            if (facts && facts->regularFile) {
                steps.push_back({Kind::RemoveFile, 0, path});
                break;
            }
        }
    }
    return steps;
}

} // namespace ze6::modDAZadaro
