#include "ui/main/ScheduleDialog.h"

#include "engine/Schedule.h"
#include "platform/Components.h"
#include "platform/Prompt.h"
#include "platform/process/ProcessInfo.h"
#include "platform/schedule/Scheduler.h"
#include "platform/state/RunState.h"
#include "ui/main/ScheduleChoice.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace ze6 {

namespace {

constexpr std::array<const char*, 7> kDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString LingerNote(const Scheduler* scheduler)
{
    if (scheduler == nullptr)
        return QStringLiteral("Scheduling needs a systemd user manager (systemctl --user) or the crontab command; "
                              "neither is available here.");
    if (scheduler->Name() == "systemd")
        return QStringLiteral(
            "Runs use a systemd timer of your user; a run missed while the computer was off or asleep happens at "
            "the next start. While you are logged out your timers stop, unless you run once, without root:\n"
            "    loginctl enable-linger");
    return QStringLiteral("Runs use your crontab and go on while you are logged out; a run missed while the "
                          "computer was off is not made up.");
}

} // namespace

ScheduleDialog::ScheduleDialog(std::string file, Scheduler* scheduler, ProcessRunner& runner, QWidget* parent)
    : QDialog(parent), m_file(std::move(file)), m_scheduler(scheduler), m_runner(runner)
{
    setObjectName(QStringLiteral("frmSchedule"));
    setWindowTitle(QStringLiteral("Schedule"));

    auto* lblFile = new QLabel(FromUtf8(m_file), this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblNextRun = new QLabel(this);
    m_lblNextRun->setObjectName(QStringLiteral("lblNextRun"));
    m_lblLastRun = new QLabel(this);
    m_lblLastRun->setObjectName(QStringLiteral("lblLastRun"));
    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("Configuration file:"), lblFile);
    facts->addRow(QStringLiteral("Schedule now:"), m_lblStatus);
    facts->addRow(QStringLiteral("Next run:"), m_lblNextRun);
    facts->addRow(QStringLiteral("Last run:"), m_lblLastRun);

    auto* group = new QGroupBox(QStringLiteral("Run"), this);
    m_optDaily = new QRadioButton(QStringLiteral("Daily"), group);
    m_optDaily->setObjectName(QStringLiteral("optDaily"));
    m_optWeekly = new QRadioButton(QStringLiteral("Weekly on"), group);
    m_optWeekly->setObjectName(QStringLiteral("optWeekly"));
    m_optHourly = new QRadioButton(QStringLiteral("Hourly"), group);
    m_optHourly->setObjectName(QStringLiteral("optHourly"));
    m_optDaily->setChecked(true);
    m_txtTime = new QTimeEdit(QTime(2, 0), group);
    m_txtTime->setObjectName(QStringLiteral("txtTime"));
    m_txtTime->setDisplayFormat(QStringLiteral("HH:mm"));
    auto* days = new QHBoxLayout;
    days->addWidget(m_optWeekly);
    for (std::size_t i = 0; i < kDays.size(); ++i) {
        m_chkDays[i] = new QCheckBox(QString::fromLatin1(kDays[i]), group);
        m_chkDays[i]->setObjectName(QStringLiteral("chk") + QString::fromLatin1(kDays[i]));
        days->addWidget(m_chkDays[i]);
    }
    days->addStretch();
    auto* time = new QHBoxLayout;
    time->addWidget(new QLabel(QStringLiteral("At"), group));
    time->addWidget(m_txtTime);
    time->addWidget(new QLabel(QStringLiteral("(daily and weekly runs)"), group));
    time->addStretch();
    auto* choices = new QVBoxLayout(group);
    choices->addWidget(m_optDaily);
    choices->addLayout(days);
    choices->addWidget(m_optHourly);
    choices->addLayout(time);
    // Only what the chosen kind of run uses can be changed.
    const auto follow = [this] {
        m_txtTime->setEnabled(!m_optHourly->isChecked());
        for (QCheckBox* day : m_chkDays)
            day->setEnabled(m_optWeekly->isChecked());
    };
    for (QRadioButton* option : {m_optDaily, m_optWeekly, m_optHourly})
        connect(option, &QRadioButton::toggled, this, follow);
    follow();

    auto* lblLinger = new QLabel(LingerNote(m_scheduler), this);
    lblLinger->setObjectName(QStringLiteral("lblLinger"));
    lblLinger->setWordWrap(true);
    lblLinger->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_cmdSchedule = new QPushButton(QStringLiteral("Schedule"), this);
    m_cmdSchedule->setObjectName(QStringLiteral("cmdSchedule"));
    m_cmdRemoveSchedule = new QPushButton(QStringLiteral("Remove Schedule"), this);
    m_cmdRemoveSchedule->setObjectName(QStringLiteral("cmdRemoveSchedule"));
    auto* cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdSchedule);
    buttons->addWidget(m_cmdRemoveSchedule);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(facts);
    layout->addWidget(group);
    layout->addWidget(lblLinger);
    layout->addLayout(buttons);

    connect(m_cmdSchedule, &QPushButton::clicked, this, &ScheduleDialog::ApplySchedule);
    connect(m_cmdRemoveSchedule, &QPushButton::clicked, this, &ScheduleDialog::RemoveSchedule);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    group->setEnabled(m_scheduler != nullptr);
    m_cmdSchedule->setEnabled(m_scheduler != nullptr);
    Refresh();
}

void ScheduleDialog::Refresh()
{
    m_lblLastRun->setText(FromUtf8(DescribeRunRecord(ReadRunRecord(m_file))));
    std::optional<ScheduledFile> current;
    if (m_scheduler != nullptr) {
        try {
            current = modDAZadaro::FindSchedule(*m_scheduler, m_file);
        } catch (const ScheduleError& error) {
            ShowError(error.what());
        }
    }
    m_cmdRemoveSchedule->setEnabled(current.has_value());
    if (!current) {
        m_lblStatus->setText(QStringLiteral("not scheduled"));
        m_lblNextRun->setText(QStringLiteral("none"));
        return;
    }
    m_lblStatus->setText(QStringLiteral("scheduled: ") + FromUtf8(current->when) + QStringLiteral(" (") +
                         FromUtf8(m_scheduler->Name()) + QStringLiteral(")"));
    const std::string next = modDAZadaro::NextRun(m_runner, current->when);
    m_lblNextRun->setText(next.empty() ? QStringLiteral("none") : FromUtf8(next));
    if (const auto choice = ChoiceOfWhen(current->when)) {
        m_optDaily->setChecked(choice->kind == ScheduleChoice::Kind::Daily);
        m_optWeekly->setChecked(choice->kind == ScheduleChoice::Kind::Weekly);
        m_optHourly->setChecked(choice->kind == ScheduleChoice::Kind::Hourly);
        if (choice->kind != ScheduleChoice::Kind::Hourly)
            m_txtTime->setTime(QTime(choice->hour, choice->minute));
        for (std::size_t i = 0; i < kDays.size(); ++i)
            m_chkDays[i]->setChecked(choice->days[i]);
    }
}

void ScheduleDialog::ApplySchedule()
{
    ScheduleChoice choice;
    choice.kind = m_optHourly->isChecked()   ? ScheduleChoice::Kind::Hourly
                  : m_optWeekly->isChecked() ? ScheduleChoice::Kind::Weekly
                                             : ScheduleChoice::Kind::Daily;
    choice.hour = m_txtTime->time().hour();
    choice.minute = m_txtTime->time().minute();
    for (std::size_t i = 0; i < kDays.size(); ++i)
        choice.days[i] = m_chkDays[i]->isChecked();
    const std::string when = WhenOfChoice(choice);
    if (when.empty()) {
        ShowError("Choose at least one day for a weekly run.");
        return;
    }
    try {
        modDAZadaro::ScheduleConfigFile(*m_scheduler, m_runner, m_file, when);
    } catch (const ScheduleError& error) {
        ShowError(error.what());
    }
    Refresh();
}

void ScheduleDialog::RemoveSchedule()
{
    try {
        m_scheduler->Unschedule(m_file);
    } catch (const ScheduleError& error) {
        ShowError(error.what());
    }
    Refresh();
}

void ScheduleDialog::ShowError(const std::string& text)
{
    GetComponents().GetPrompt().Ask({text, ExecutableName(), PromptButtons::Ok, PromptIcon::Exclamation});
}

} // namespace ze6
