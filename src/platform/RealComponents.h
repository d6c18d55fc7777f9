#pragma once

#include "platform/Components.h"

#include <chrono>
#include <functional>
#include <string>

// Constructors of the real components, one per file, used by the default
// Components factory.
namespace ze6 {

std::unique_ptr<ApplicationInfo> MakeDataFileInfo();

// Points where a test changes what the archive writer does, to inject a fault
// or to spare a pause; each empty one leaves the real behaviour.
struct ArchiveWriterFaults {
    // Replaces the pause before a file that changed while it was read is read again.
    std::function<void(std::chrono::milliseconds)> retryWait;
    // Gives the random part of each hidden temporary name tried.
    std::function<std::string()> nameSuffixes;
    // Damages the written archive (given its descriptor) just before it is
    // read back, to show that a bad archive never reaches its name.
    std::function<void(int descriptor)> beforeReadBack;
};
std::unique_ptr<ArchiveWriter> MakeZipArchiveWriter(ArchiveWriterFaults faults = {});
std::unique_ptr<PathUtility> MakeSimplePathUtility();
std::unique_ptr<ProductSettings> MakeQtProductSettings();
std::unique_ptr<LogComponent> MakeFileLogComponent();

} // namespace ze6
