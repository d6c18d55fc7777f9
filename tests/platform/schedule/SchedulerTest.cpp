#include "platform/process/ProcessRunner.h"
#include "platform/schedule/CalendarExpression.h"
#include "platform/schedule/SystemdTimerScheduler.h"
#include "support/ProgramRun.h"
#include "support/ScopedEnvironment.h"

#include <QStandardPaths>
#include <filesystem>
#include <gtest/gtest.h>

namespace ze6 {
namespace {

using test::TempFolder;

TEST(CronFields, WritesWhatCronCanKeepAndNamesWhyItCannotKeepTheRest)
{
    const std::pair<const char*, const char*> kept[] = {
        {"*-*-* 02:30:00", "30 2 * * *"},           {"Mon..Fri *-*-* 22:00:00", "0 22 * * 1-5"},
        {"Mon,Sun *-*-* 01:00:00", "0 1 * * 1,7"},  {"*-*-* *:00/15:00", "0-59/15 * * * *"},
        {"*-*-* 08..18/2:00:00", "0 8-18/2 * * *"}, {"*-*-01 00:00:00", "0 0 1 * *"},
        {"*-01,07-01 06:05:00", "5 6 1 1,7 *"}};
    for (const auto& [normalized, fields] : kept) {
        std::string why;
        EXPECT_EQ(CronFields(normalized, why).value_or("refused: " + why), fields) << normalized;
    }
    const std::pair<const char*, const char*> refused[] = {{"*-*-* 02:30:15", "whole minutes"},
                                                           {"2027-01-01 00:00:00", "year"},
                                                           {"*-*~01 00:00:00", "end of a month"},
                                                           {"Mon *-*-* 22:00:00 Europe/Berlin", "time zones"},
                                                           {"Mon *-*-01 22:00:00", "weekdays"}};
    for (const auto& [normalized, reason] : refused) {
        std::string why;
        EXPECT_FALSE(CronFields(normalized, why)) << normalized;
        EXPECT_NE(why.find(reason), std::string::npos) << normalized << ": " << why;
    }
}

// Stands in for the systemd user manager, which a test machine does not run.
struct RecordingRunner final : ProcessRunner {
    std::vector<std::string> calls;
    ProcessResult Run(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string&) override
    {
        std::string call = program;
        for (const auto& argument : arguments)
            call += " " + argument;
        calls.push_back(call);
        return {true, 0, {}, {}};
    }
};

TEST(SystemdTimerScheduler, WritesUnitsThatSystemdAcceptsEvenForAwkwardPathsAndRemovesThem)
{
    if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
        GTEST_SKIP() << "systemd-analyze is not installed";
    TempFolder temp;
    const test::ScopedEnvironment folders{{"XDG_CONFIG_HOME", temp / "config"},
                                          {"XDG_RUNTIME_DIR", temp.MakeFolder("runtime")}};
    // systemd reads "%", "$", quotes and backslashes in ExecStart: the program
    // is only found, and the file's quoting balanced, when each was escaped right.
    const std::string program = temp.MakeFolder("a b%n$HOME") + "ZE6Vivevu";
    std::filesystem::copy_file(ZE6_BINARY, program);
    const std::string file = temp.Write("a b%n$HOME\"q'\\x/daily.rzb");

    RecordingRunner runner;
    SystemdTimerScheduler scheduler(runner);
    EXPECT_THROW(scheduler.Schedule(file, "daily", "daily", file), ScheduleError) << "a program path with quotes";
    EXPECT_TRUE(runner.calls.empty());
    scheduler.Schedule(file, "Mon..Fri 22:00", "Mon..Fri *-*-* 22:00:00", program);
    const std::string name = SystemdTimerScheduler::UnitName(file);
    EXPECT_EQ(runner.calls,
              (std::vector<std::string>{"systemctl --user daemon-reload", "systemctl --user enable " + name + ".timer",
                                        "systemctl --user restart " + name + ".timer"}));
    EXPECT_NE(name, SystemdTimerScheduler::UnitName(temp / "daily.rzb"));

    const std::string units = temp / "config/systemd/user/";
    EXPECT_NE(test::ReadFile(units + name + ".timer").find("\nPersistent=true\n"), std::string::npos);
    const test::Result verify =
        test::RunTool("systemd-analyze", {"verify", "--user", units + name + ".service", units + name + ".timer"});
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;

    const auto listed = scheduler.List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].file, file);
    EXPECT_EQ(listed[0].when, "Mon..Fri 22:00");

    EXPECT_TRUE(scheduler.Unschedule(file));
    EXPECT_FALSE(scheduler.Unschedule(file));
    EXPECT_TRUE(test::FolderNames(units).empty());
}

TEST(SystemdTimerScheduler, ListsNamesThatAreNotUtf8AsTheirBytes)
{
    TempFolder temp;
    const test::ScopedEnvironment folders{{"XDG_CONFIG_HOME", temp / "config"}};
    const std::string jobs = temp / "caf\xe9.rzb";
    temp.Write("config/systemd/user/ze6vivevu-0123.timer",
               "# ZE6Vivevu file: " + jobs + "\n# ZE6Vivevu when: daily\n[Timer]\nOnCalendar=*-*-* 00:00:00\n");
    RecordingRunner runner;
    const auto listed = SystemdTimerScheduler(runner).List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].file + " " + listed[0].when, jobs + " daily");
}

} // namespace
} // namespace ze6
