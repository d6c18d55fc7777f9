#include "ui/editor/DataFileListing.h"

#include "platform/Components.h"
#include "platform/files/FileSystem.h"
#include "platform/files/FolderIndex.h"

#include <exception>
#include <memory>

namespace ze6 {

std::vector<FileGridRow> ReadDataFiles(const std::string& folder, const std::string& pattern, bool ticked)
{
    // Each data file's companions are looked up by name in the same folder.
    const FolderIndex::Scope lookups;
    // The list is a convenience for picking files: each step that fails is
    // skipped so that the dialog stays usable, and the user sees what could be read.
    std::unique_ptr<ApplicationInfo> info;
    try {
        info = GetComponents().CreateApplicationInfo();
    } catch (const std::exception&) {
        info.reset();
    }

    std::vector<std::string> names;
    try {
        names = FileSystem::ListFiles(folder + pattern);
    } catch (const std::exception&) {
        names.clear();
    }

    std::vector<FileGridRow> rows;
    if (!info)
        return rows;
    rows.reserve(names.size());
    for (const std::string& name : names) {
        std::string description;
        std::int32_t number = 0;
        std::string recognition;
        try {
            info->ReadFileSummary(folder + name, description, number, recognition);
        } catch (const std::exception&) {
            continue;
        }
        if (!recognition.empty())
            rows.push_back({QString::fromStdString(description), QString::fromStdString(name), ticked});
    }
    return rows;
}

} // namespace ze6
