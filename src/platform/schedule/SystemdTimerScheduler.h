#pragma once

#include "platform/schedule/Scheduler.h"

namespace ze6 {

// A service and a timer per file in the user's systemd unit folder, enabled
// and started through the user manager. Persistent timers catch up on a run
// missed while the machine was off or asleep.
class SystemdTimerScheduler final : public Scheduler {
public:
    explicit SystemdTimerScheduler(ProcessRunner& runner) : m_runner(runner) {}

    std::string Name() const override { return "systemd"; }
    void Schedule(const std::string& file, const std::string& when, const std::string& normalized,
                  const std::string& program) override;
    bool Unschedule(const std::string& file) override;
    std::vector<ScheduledFile> List() override;

    // $XDG_CONFIG_HOME/systemd/user/ (~/.config when unset), ending in "/".
    static std::string UnitFolder();
    // "ze6vivevu-<key>" without suffix.
    static std::string UnitName(const std::string& file);
    static std::string ServiceUnit(const std::string& file, const std::string& program);
    static std::string TimerUnit(const std::string& file, const std::string& when, const std::string& normalized);

private:
    void Systemctl(const std::vector<std::string>& arguments);

    ProcessRunner& m_runner;
};

} // namespace ze6
