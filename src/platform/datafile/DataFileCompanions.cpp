#include "platform/datafile/DataFileCompanions.h"

#include "platform/files/FileSystem.h"

namespace ze6::DataFileCompanions {

namespace {

// The companions that carry the generation suffix, in the order they are offered.
constexpr const char* kSuffixedCompanions[] = {".rzt", ".rzd", ".rzi", ".rza", ".rzn", ".ktm", ".rzm", ".rzl"};

bool IsGeneration6(const std::string& fullName)
{
    return !fullName.empty() && fullName.back() == '6';
}

// The path with its extension (from the last dot of its last component) replaced.
std::string WithExtension(const std::string& path, const std::string& extension)
{
    return GetComponents().CreatePathUtility()->ReplaceExtension(path, extension);
}

} // namespace

std::vector<std::string> NamedPaths(const std::string& fullName, const std::string& attachedFile)
{
    const std::string suffix = IsGeneration6(fullName) ? "6" : "";
    std::vector<std::string> paths;
    // The data file itself goes in under its own spelling, also when a
    // name that differs only in case lies beside it.
    for (const char* extension : kSuffixedCompanions) {
        const std::string offer = WithExtension(fullName, extension + suffix);
        paths.push_back(FileSystem::EqualIgnoringCase(offer, fullName) ? fullName : offer);
    }
    paths.push_back(WithExtension(fullName, ".rzx6"));
    paths.push_back(WithExtension(fullName, ".rzx"));
    if (!attachedFile.empty())
        paths.push_back(attachedFile);
    return paths;
}

std::vector<std::string> ListedPaths(const std::string& fullName,
                                     const std::vector<ApplicationInfo::NumberedCompanion>& numbered,
                                     const std::vector<ApplicationInfo::LinkedSet>& linked)
{
    std::vector<std::string> paths;
    const std::string prefix = NumberedPrefix(fullName);
    for (const auto& companion : numbered)
        paths.push_back(prefix + std::to_string(companion.Number));
    for (const auto& set : linked) {
        if (!set.BasePath.empty()) {
            for (const char* extension : {".hbt", ".hbd", ".hbi"})
                paths.push_back(set.BasePath + extension);
        }
        if (!set.LinkedFile.empty())
            paths.push_back(set.LinkedFile);
    }
    return paths;
}

std::string NumberedPrefix(const std::string& fullName)
{
    return WithExtension(fullName, IsGeneration6(fullName) ? ".KTM6.V" : ".V");
}

} // namespace ze6::DataFileCompanions
