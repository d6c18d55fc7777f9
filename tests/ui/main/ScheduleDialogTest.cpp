#include "ui/main/ScheduleDialog.h"
#include "platform/process/ProcessRunner.h"
#include "platform/schedule/Scheduler.h"
#include "platform/state/RunState.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"
#include "ui/main/MainWindowFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <regex>

namespace ze6::test {
namespace {

// Stands in for the user's systemd or crontab, which a test must not touch.
struct FakeScheduler final : Scheduler {
    std::vector<ScheduledFile> files;
    std::string normalized;
    std::string Name() const override { return "fake"; }
    void Schedule(const std::string& file, const std::string& when, const std::string& normal,
                  const std::string&) override
    {
        Unschedule(file);
        files.push_back({file, when});
        normalized = normal;
    }
    bool Unschedule(const std::string& file) override
    {
        return std::erase_if(files, [&](const ScheduledFile& entry) { return entry.file == file; }) > 0;
    }
    std::vector<ScheduledFile> List() override { return files; }
};

class ScheduleDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
            GTEST_SKIP() << "systemd-analyze is not installed";
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(temp / "state"));
    }
    void TearDown() override { qunsetenv("XDG_STATE_HOME"); }

    template <typename T> T* Find(const char* name) { return dialog->findChild<T*>(QString::fromLatin1(name)); }
    std::string Text(const char* label) { return Find<QLabel>(label)->text().toStdString(); }

    TempFolder temp;
    std::string file = temp.Write("daily.rzb");
    TestComponents components;
    FakeScheduler scheduler;
    SystemProcessRunner runner;
    std::unique_ptr<ScheduleDialog> dialog;
};

TEST_F(ScheduleDialogTest, ShowsTheScheduleAndLastRunAndSchedulesAndRemovesTheChoice)
{
    scheduler.files = {{temp / "other.rzb", "hourly"}, {file, "Tue,Sat *-*-* 06:05:00"}};
    ASSERT_TRUE(WriteRunRecord(file, {QDateTime(QDate(2026, 12, 5), QTime(6, 5)), 3, "ERROR: x"}));
    dialog = std::make_unique<ScheduleDialog>(file, &scheduler, runner);

    EXPECT_EQ(Text("lblStatus"), "scheduled: Tue,Sat *-*-* 06:05:00 (fake)");
    EXPECT_TRUE(std::regex_match(Text("lblNextRun"), std::regex(R"(\d{4}-\d\d-\d\d 06:05:00)"))) << Text("lblNextRun");
    EXPECT_EQ(Text("lblLastRun"), "2026-12-05 06:05:00: 3 entries logged");
    EXPECT_TRUE(Find<QRadioButton>("optWeekly")->isChecked());
    EXPECT_EQ(Find<QTimeEdit>("txtTime")->time(), QTime(6, 5));
    for (const char* day : {"chkMon", "chkTue", "chkSat"})
        EXPECT_EQ(Find<QCheckBox>(day)->isChecked(), day != std::string("chkMon")) << day;

    Find<QCheckBox>("chkTue")->setChecked(false);
    Find<QCheckBox>("chkSat")->setChecked(false);
    Find<QPushButton>("cmdSchedule")->click();
    ASSERT_EQ(components.prompt.asked.size(), 1u);
    EXPECT_EQ(components.prompt.asked[0].text, "Choose at least one day for a weekly run.");
    EXPECT_EQ(scheduler.files.back().when, "Tue,Sat *-*-* 06:05:00");

    Find<QRadioButton>("optDaily")->setChecked(true);
    Find<QTimeEdit>("txtTime")->setTime(QTime(22, 30));
    Find<QPushButton>("cmdSchedule")->click();
    EXPECT_EQ(scheduler.files.back().when, "*-*-* 22:30:00");
    EXPECT_EQ(Text("lblStatus"), "scheduled: *-*-* 22:30:00 (fake)");
    Find<QRadioButton>("optHourly")->setChecked(true);
    Find<QPushButton>("cmdSchedule")->click();
    EXPECT_EQ(scheduler.files.back().when, "hourly");
    EXPECT_EQ(scheduler.normalized, "*-*-* *:00:00");

    Find<QPushButton>("cmdRemoveSchedule")->click();
    EXPECT_EQ(Text("lblStatus"), "not scheduled");
    EXPECT_EQ(Text("lblNextRun"), "none");
    EXPECT_FALSE(Find<QPushButton>("cmdRemoveSchedule")->isEnabled());
    EXPECT_EQ(scheduler.files.size(), 1u);
    EXPECT_EQ(components.prompt.asked.size(), 1u);
}

TEST_F(MainWindowTest, ScheduleAsksToSaveAnUnsavedListFirstAndStopsWhenItIsNotSaved)
{
    PutJobs({{"/data/", "/backup/", {0}}});
    components.prompt.answers = {PromptAnswer::No, PromptAnswer::Yes};
    Action("mnuSchedule")->trigger();
    Action("mnuSchedule")->trigger(); // the save dialog is cancelled
    ASSERT_EQ(Asked().size(), 2u);
    EXPECT_EQ(Asked()[0].text, "A schedule runs the saved configuration file. Save your changes now?");
    EXPECT_EQ(Asked()[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(components.dialogs.calls.size(), 1u);
    EXPECT_TRUE(window->CurrentFile().isEmpty());
}

} // namespace
} // namespace ze6::test
