#include "platform/RealComponents.h"
#include "platform/files/PathText.h"

namespace ze6 {

namespace {

class SimplePathUtility final : public PathUtility {
public:
    std::string ReplaceExtension(const std::string& path, const std::string& extension) override
    {
        const auto nameStart = FileSystem::FolderPart(path).size();
        const auto dot = path.find_last_of('.');
        if (dot == std::string::npos || dot < nameStart)
            return path + extension;
        return path.substr(0, dot) + extension;
    }
};

} // namespace

std::unique_ptr<PathUtility> MakeSimplePathUtility()
{
    return std::make_unique<SimplePathUtility>();
}

} // namespace ze6
