#include "platform/Components.h"

#include "platform/Prompt.h"
#include "platform/RealComponents.h"
#include "platform/process/Clock.h"
#include "platform/remote/RemoteFolder.h"

#include <stdexcept>

namespace ze6 {

namespace {

DesktopComponents* g_desktop = nullptr;

DesktopComponents& Desktop()
{
    if (g_desktop == nullptr)
        throw std::logic_error("no desktop components are installed in this program");
    return *g_desktop;
}

} // namespace

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
    return Desktop().CreateClipboard();
}
std::unique_ptr<LinkOpener> Components::CreateLinkOpener()
{
    return Desktop().CreateLinkOpener();
}
std::unique_ptr<FolderBrowser> Components::CreateFolderBrowser()
{
    return Desktop().CreateFolderBrowser();
}
std::unique_ptr<RemoteStorage> Components::CreateRemoteStorage()
{
    return StartRcloneStorage();
}

std::unique_ptr<FileDialogs> Components::CreateFileDialogs()
{
    return Desktop().CreateFileDialogs();
}

Prompt& Components::GetPrompt()
{
    // The message-box prompt finds out itself, at the first box, whether a
    // display answers, and writes to standard error where none does.
    if (g_desktop != nullptr)
        return g_desktop->GetMessageBoxPrompt();
    static StandardErrorPrompt standardError;
    return standardError;
}

Clock& Components::GetClock()
{
    return SystemClock();
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

void SetDesktopComponents(DesktopComponents* desktop)
{
    g_desktop = desktop;
}

} // namespace ze6
