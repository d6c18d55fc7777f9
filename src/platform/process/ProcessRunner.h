#pragma once

#include <string>
#include <vector>

namespace ze6 {

struct ProcessResult {
    bool started = false; // false: the program is missing or could not be run
    int exitCode = -1;    // -1 when it crashed or timed out
    std::string out, err;
};

// Runs outside programs (systemctl, crontab, systemd-analyze). One seam, so
// the schedulers can be driven against another runner in tests.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    virtual ProcessResult Run(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& input = {}) = 0;
};

// Runs the program found on PATH with the process's own environment; gives up
// after 30 seconds.
class SystemProcessRunner final : public ProcessRunner {
public:
    ProcessResult Run(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input = {}) override;
};

// The absolute path of the running executable, as a scheduler must name it.
std::string CurrentExecutablePath();

} // namespace ze6
