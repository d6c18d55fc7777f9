#pragma once

#include "platform/schedule/Scheduler.h"

namespace ze6 {

// The program's lines in the user's crontab, between two marker lines; every
// other line of the crontab stays exactly as it was.
class CrontabScheduler final : public Scheduler {
public:
    explicit CrontabScheduler(ProcessRunner& runner) : m_runner(runner) {}

    std::string Name() const override { return "cron"; }
    void Schedule(const std::string& file, const std::string& when, const std::string& normalized,
                  const std::string& program) override;
    bool Unschedule(const std::string& file) override;
    std::vector<ScheduledFile> List() override;

    static constexpr const char* kBeginMarker = "# ZE6Vivevu begin";
    static constexpr const char* kEndMarker = "# ZE6Vivevu end";

private:
    std::string Read();
    void Write(const std::string& text);

    ProcessRunner& m_runner;
};

} // namespace ze6
