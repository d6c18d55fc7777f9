#include "platform/archive/ArchiveEntryNames.h"

#include "platform/files/FileSystem.h"

#include <unordered_set>

namespace ze6 {

namespace {

std::string Numbered(const std::string& name, int number)
{
    // A leading dot starts a hidden name, not an extension.
    const auto dot = name.rfind('.');
    const std::string counter = " (" + std::to_string(number) + ")";
    if (dot == std::string::npos || dot == 0)
        return name + counter;
    return name.substr(0, dot) + counter + name.substr(dot);
}

} // namespace

std::vector<std::string> ArchiveEntryNames(const std::vector<std::string>& fileNames)
{
    std::vector<std::string> entries;
    entries.reserve(fileNames.size());
    std::unordered_set<std::string> taken;
    for (const auto& fileName : fileNames) {
        std::string name = fileName;
        for (char& c : name) {
            if (c == '\\')
                c = '_';
        }
        std::string candidate = name;
        for (int number = 2; taken.count(FileSystem::FoldCase(candidate)) != 0; ++number)
            candidate = Numbered(name, number);
        taken.insert(FileSystem::FoldCase(candidate));
        entries.push_back(std::move(candidate));
    }
    return entries;
}

} // namespace ze6
