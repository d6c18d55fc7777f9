#pragma once

#include "platform/Components.h"

#include <chrono>
#include <functional>

// Constructors of the real components, one per file, used by the default
// Components factory.
namespace ze6 {

std::unique_ptr<ApplicationInfo> MakeDataFileInfo();
std::unique_ptr<ArchiveWriter> MakeZipArchiveWriter();
// Replaces the archive writer's pause before it reads a changed file again
// (tests, which need not sleep); empty restores the real pause.
void SetArchiveRetryWaitForTesting(std::function<void(std::chrono::milliseconds)> wait);
std::unique_ptr<PathUtility> MakeSimplePathUtility();
std::unique_ptr<ProductSettings> MakeQtProductSettings();
std::unique_ptr<LogComponent> MakeFileLogComponent();
std::unique_ptr<Clipboard> MakeQtClipboard();
std::unique_ptr<LinkOpener> MakeDesktopLinkOpener();
std::unique_ptr<FolderBrowser> MakeQtFolderBrowser();
std::unique_ptr<FileDialogs> MakeQtFileDialogs();

} // namespace ze6
