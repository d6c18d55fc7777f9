#include "platform/files/PathText.h"

#include "platform/files/FileSystem.h"

namespace ze6::FileSystem {

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == kSeparator)
        path.pop_back();
    return path;
}

std::string WithTrailingSeparator(std::string path)
{
    if (path.empty() || path.back() != kSeparator)
        path += kSeparator;
    return path;
}

std::string FolderPart(const std::string& path)
{
    const auto slash = path.rfind(kSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path)
{
    const auto slash = path.rfind(kSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace ze6::FileSystem
