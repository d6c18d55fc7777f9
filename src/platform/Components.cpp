#include "platform/Components.h"

#include "platform/Prompt.h"
#include "platform/RealComponents.h"

namespace ze6 {

std::unique_ptr<ApplicationInfo> Components::CreateApplicationInfo()
{
    return MakeDataFileInfo();
}
std::unique_ptr<ArchiveWriter> Components::CreateArchiveWriter()
{
    return MakeZipArchiveWriter();
}
std::unique_ptr<PathUtility> Components::CreatePathUtility()
{
    return MakeSimplePathUtility();
}
std::unique_ptr<ProductSettings> Components::CreateProductSettings()
{
    return MakeQtProductSettings();
}
std::unique_ptr<LogComponent> Components::CreateLogComponent()
{
    return MakeFileLogComponent();
}
std::unique_ptr<Clipboard> Components::CreateClipboard()
{
    return MakeQtClipboard();
}
std::unique_ptr<LinkOpener> Components::CreateLinkOpener()
{
    return MakeDesktopLinkOpener();
}
std::unique_ptr<FolderBrowser> Components::CreateFolderBrowser()
{
    return MakeQtFolderBrowser();
}
std::unique_ptr<FileDialogs> Components::CreateFileDialogs()
{
    return MakeQtFileDialogs();
}

Prompt& Components::GetPrompt()
{
    // It finds out itself, at the first box, whether a display answers.
    static MessageBoxPrompt messageBox;
    return messageBox;
}

namespace {
Components* g_override = nullptr;
} // namespace

Components& GetComponents()
{
    if (g_override != nullptr)
        return *g_override;
    static Components real;
    return real;
}

void SetComponents(Components* components)
{
    g_override = components;
}

} // namespace ze6
