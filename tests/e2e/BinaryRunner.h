#pragma once

#include "support/TempFolder.h"

#include <string>
#include <vector>

namespace ze6::test {

struct RunResult {
    int exitStatus = -1;
    std::string standardOutput;
    std::string standardError;
};

// Runs the built program the way cron would: no display, a home, state and
// config folders of its own, and the log at LogPath().
class BinaryRunner {
public:
    BinaryRunner();

    RunResult Run(const std::vector<std::string>& arguments, const std::string& workingFolder = {}) const;

    const TempFolder& Folder() const { return m_temp; }
    std::string LogPath() const { return m_temp / "state/log/ZE6Vivevu.log"; }
    std::string LogText() const;
    // The log's entries without their time, logger and level prefix.
    std::vector<std::string> LoggedEntries() const;

    std::vector<std::string> environment;

private:
    TempFolder m_temp;
};

// The usage text as it reaches standard error, lines ending in "\n".
std::string UsageOnStandardError(const std::string& message);

}  // namespace ze6::test
