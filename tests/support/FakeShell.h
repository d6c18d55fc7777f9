#pragma once

#include "support/ScriptedPrompt.h"

#include <string>
#include <vector>

namespace ze6::test {

// Test components whose product settings report the folders set here and
// record their product key, whose folder browser answers `chosenFolder` and
// records what it was asked, and whose desktop records the links it is asked
// to open. With `fail` set neither settings nor browser can be created.
class FakeShell : public TestComponents {
public:
    std::unique_ptr<ProductSettings> CreateProductSettings() override;
    std::unique_ptr<FolderBrowser> CreateFolderBrowser() override;
    std::unique_ptr<LinkOpener> CreateLinkOpener() override;

    std::string configFolder, dataFolder, productKey;
    std::string chosenFolder, browsePrompt;
    WindowHandle browseOwner = nullptr;
    bool fail = false;
    std::vector<std::string> openedLinks;
};

} // namespace ze6::test
