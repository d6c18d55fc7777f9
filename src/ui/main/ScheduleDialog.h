#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace ze6 {

class ProcessRunner;
class Scheduler;

// Schedules one saved configuration file: daily at a time, weekly on chosen
// days at a time, or hourly; shows the schedule it has now, its next run and
// the result of its last run. Without a scheduler it only says so.
class ScheduleDialog final : public QDialog {
    Q_OBJECT

public:
    ScheduleDialog(std::string file, Scheduler* scheduler, ProcessRunner& runner, QWidget* parent = nullptr);

    // Reads the schedule and the last run again.
    void Refresh();

private:
    void ApplySchedule();
    void RemoveSchedule();
    void ShowError(const std::string& text);

    std::string m_file;
    Scheduler* m_scheduler;
    ProcessRunner& m_runner;

    QLabel* m_lblStatus = nullptr;
    QLabel* m_lblNextRun = nullptr;
    QLabel* m_lblLastRun = nullptr;
    QRadioButton* m_optDaily = nullptr;
    QRadioButton* m_optWeekly = nullptr;
    QRadioButton* m_optHourly = nullptr;
    QTimeEdit* m_txtTime = nullptr;
    QCheckBox* m_chkDays[7] = {};
    QPushButton* m_cmdSchedule = nullptr;
    QPushButton* m_cmdRemoveSchedule = nullptr;
};

} // namespace ze6
