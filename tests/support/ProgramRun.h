#pragma once

#include "support/TempFolder.h"

#include <QProcess>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ze6::test {

struct Result {
    int status = -1; // -1: killed or hung
    std::string out, err;
};

// Whether a run ended with `status` and printed nothing; what it printed when not.
testing::AssertionResult Silent(const Result& result, int status = 0);

// What the child does to itself between fork and exec: limits, privileges.
using ChildSetup = std::function<void()>;

// Runs the built program as cron would: no display, its own home and state
// folders in `temp`, the log where `log` says. A run still going after two
// minutes counts as hung and is killed.
class ProgramRun {
public:
    ProgramRun(const TempFolder& temp, std::string log) : m_temp(temp), m_log(std::move(log)) {}

    ProgramRun& With(const std::string& name, const std::string& value);

    void Start(QProcess& process, const Names& arguments, const ChildSetup& setup = {}) const;
    Result Run(const Names& arguments, const ChildSetup& setup = {}) const;

private:
    const TempFolder& m_temp;
    std::string m_log;
    std::vector<std::pair<std::string, std::string>> m_environment;
};

class ProgramFixture : public testing::Test {
protected:
    TempFolder temp;
    std::string logPath = temp / "state/ZE6Vivevu.log";
    ProgramRun program{temp, logPath};
};

// Runs a system tool with `input` on its standard input; after a minute it counts as hung.
Result RunTool(const std::string& program, const Names& arguments, const std::string& input = {});

// Polls while `process` runs, for at most `limit`, until `reached` holds; says whether it does.
bool RunningUntil(const QProcess& process, const std::function<bool()>& reached,
                  std::chrono::milliseconds limit = std::chrono::minutes(1));

// File names in a folder, sorted, with this run's archive timestamps (not the
// 2020 ones a test writes itself) shown as "<t>".
Names Stamped(const std::string& folder);

// The log's entries without their time, logger name and level.
Names LogEntries(const std::string& logPath);

} // namespace ze6::test
