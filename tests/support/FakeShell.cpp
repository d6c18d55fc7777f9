#include "support/FakeShell.h"

#include "platform/RuntimeError.h"

namespace ze6::test {

std::unique_ptr<ProductSettings> FakeShell::CreateProductSettings()
{
    struct Settings final : ProductSettings {
        FakeShell& o;
        explicit Settings(FakeShell& owner) : o(owner) {}
        void SetProductKey(const std::string& key) override { o.productKey = key; }
        void Load() override {}
        std::string ConfigFolder() const override { return o.configFolder; }
        std::string DataFolder() const override { return o.dataFolder; }
    };
    if (fail)
        Raise(ErrorNumber::PathFileAccessError, "ProductSettings");
    return std::make_unique<Settings>(*this);
}

std::unique_ptr<FolderBrowser> FakeShell::CreateFolderBrowser()
{
    struct Browser final : FolderBrowser {
        FakeShell& o;
        explicit Browser(FakeShell& owner) : o(owner) {}
        std::string Browse(WindowHandle owner, const std::string& prompt) override
        {
            o.browseOwner = owner;
            o.browsePrompt = prompt;
            return o.chosenFolder;
        }
    };
    if (fail)
        Raise(ErrorNumber::PathFileAccessError, "FolderBrowser");
    return std::make_unique<Browser>(*this);
}

std::unique_ptr<LinkOpener> FakeShell::CreateLinkOpener()
{
    struct Opener final : LinkOpener {
        std::vector<std::string>& opened;
        explicit Opener(std::vector<std::string>& links) : opened(links) {}
        void Open(const std::string& link) override { opened.push_back(link); }
    };
    return std::make_unique<Opener>(openedLinks);
}

} // namespace ze6::test
