#pragma once

#include "support/ScriptedPrompt.h"

#include <string>

namespace ze6::test {

// Test components whose product settings report the folders set here and
// record their product key, and whose folder browser answers `chosenFolder`
// and records what it was asked. With `fail` set neither can be created.
class FakeShell : public TestComponents {
public:
    std::unique_ptr<ProductSettings> CreateProductSettings() override;
    std::unique_ptr<FolderBrowser> CreateFolderBrowser() override;

    std::string configFolder, dataFolder, productKey;
    std::string chosenFolder, browsePrompt;
    WindowHandle browseOwner = nullptr;
    bool fail = false;
};

} // namespace ze6::test
