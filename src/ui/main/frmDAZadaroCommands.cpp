// The job commands of the main window: the four buttons and the Help menu.
#include "engine/JobLine.h"
#include "engine/JobStatus.h"
#include "engine/Schedule.h"
#include "engine/RunContext.h"
#include "engine/Usage.h"
#include "platform/Components.h"
#include "platform/Prompt.h"
#include "platform/log/LogLocation.h"
#include "platform/process/ProcessInfo.h"
#include "platform/process/Version.h"
#include "ui/about/frmAbout.h"
#include "ui/editor/frmDAZadaroEdit.h"
#include "ui/main/RunProgressDialog.h"
#include "ui/main/frmDAZadaro.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QUrl>
#include <utility>

namespace ze6 {

namespace {

constexpr const char* kExecuteTitle = "ZE6 Vivevu";

// The closing box of a run that wrote to the log: how much, where, and whether to look.
std::string LoggedRunText(int entries, const std::string& logPath)
{
    const std::string count = entries == 1 ? "1 entry was" : std::to_string(entries) + " entries were";
    return "Backup completed, but " + count + " written to the log:\r\n" + logPath + "\r\n\r\nShow the log?";
}

// The engine's boxes (the usage box of a rejected row) shown on the window's
// thread; the run waits for the answer as it did when it ran there.
class WindowThreadPrompt final : public Prompt {
public:
    explicit WindowThreadPrompt(QObject* window) : m_window(window) {}

    PromptAnswer Ask(const PromptRequest& request) override
    {
        if (QThread::currentThread() == m_window->thread())
            return GetComponents().GetPrompt().Ask(request);
        PromptAnswer answer = DefaultAnswer(request.buttons);
        QMetaObject::invokeMethod(
            m_window, [&] { answer = GetComponents().GetPrompt().Ask(request); }, Qt::BlockingQueuedConnection);
        return answer;
    }

private:
    QObject* m_window;
};

} // namespace

void frmDAZadaro::Add()
{
    m_cmdAdd->setEnabled(false);
    {
        frmDAZadaroEdit editor(this);
        editor.SetFormCaption(QStringLiteral("Add a new entry"));
        editor.SetSourceFolder(QString());
        editor.SetTargetFolder(QString());
        const int row = CurrentJobRow();
        if (row >= 0) {
            const modDAZadaro::Job& current = Document().JobList().At(row);
            editor.SetSourceFolder(QString::fromStdString(current.Source));
            editor.SetTargetFolder(QString::fromStdString(current.Target));
        }
        editor.SetKeepLast(QString());
        editor.Display();
        if (!editor.Cancel()) {
            const std::string target = editor.TargetFolder().toStdString();
            using Calendar = frmDAZadaroEdit::Calendar;
            const modDAZadaro::RetentionRules retention{modDAZadaro::ReadKeepLast(editor.KeepLast().toStdString()),
                                                        editor.KeepCalendar(Calendar::Daily),
                                                        editor.KeepCalendar(Calendar::Weekly),
                                                        editor.KeepCalendar(Calendar::Monthly),
                                                        editor.KeepCalendar(Calendar::Yearly)};
            std::vector<modDAZadaro::Job> jobs;
            for (const QString& source : editor.SourceFiles())
                jobs.push_back({source.toStdString(), target, retention, editor.IfChanged()});
            const std::optional<PromptRequest> refused = Document().Add(jobs);
            ShowNotice(refused);
            if (!refused)
                FitColumns();
        }
        editor.Destroy();
    }
    m_cmdAdd->setEnabled(true);
    m_grid->setFocus();
}

void frmDAZadaro::Remove()
{
    Document().Remove(SelectedJobRows());
}

void frmDAZadaro::Execute()
{
    if (Document().Jobs().empty())
        return;
    m_cmdExecute->setEnabled(false);
    const std::vector<modDAZadaro::Job> jobs = Document().Jobs();
    modDAZadaro::RunOutcome outcome;
    {
        RunProgressDialog dialog(this);
        dialog.OnJobFinished([this](const JobRun& job) { Document().JobList().JobEnded(job); });
        WindowThreadPrompt prompt(this);
        modDAZadaro::RunContext run(&dialog, &prompt);
        if (!CurrentFile().isEmpty())
            run.ExpectJobsOf(modDAZadaro::AbsoluteConfigPath(CurrentFile().toStdString()));
        m_run = &run;
        dialog.Run([&] { outcome = modDAZadaro::ProcessJobs(run, jobs); }, [&] { run.RequestCancel(); });
        m_run = nullptr;
    }
    // The last jobs may have ended after the dialog stopped taking news of them.
    for (std::size_t row = 0; row < outcome.Jobs.size(); ++row)
        Document().JobList().JobEnded(outcome.Jobs.Run(row));
    const std::string file = CurrentFile().toStdString();
    modDAZadaro::RecordJobRuns(file.empty() ? file : modDAZadaro::AbsoluteConfigPath(file), outcome.Jobs);
    m_cmdExecute->setEnabled(true);
    const int logged = outcome.EntriesLogged;
    if (logged == 0) {
        GetComponents().GetPrompt().Ask(
            {"Backup completed!", kExecuteTitle, PromptButtons::Ok, PromptIcon::Information});
        return;
    }
    if (std::exchange(m_closeAfterRun, false)) {
        // The user chose to close the window during the run; unsaved changes are still asked about.
        close();
        return;
    }
    const std::string logPath = ApplicationLogPath();
    if (GetComponents().GetPrompt().Ask({LoggedRunText(logged, logPath), kExecuteTitle, PromptButtons::YesNo,
                                         PromptIcon::Exclamation}) == PromptAnswer::Yes) {
        const QUrl link =
            QUrl::fromLocalFile(QString::fromUtf8(logPath.data(), static_cast<qsizetype>(logPath.size())));
        GetComponents().CreateLinkOpener()->Open(link.toString(QUrl::FullyEncoded).toStdString());
    }
}

void frmDAZadaro::CopySyntax()
{
    const int row = CurrentJobRow();
    if (row < 0) {
        GetComponents().GetPrompt().Ask(
            {"Selected item is invalid.", kApplicationTitle, PromptButtons::Ok, PromptIcon::None});
        return;
    }
    const std::string commandLine = modDAZadaro::GetCommandLine(Document().JobList().At(row));
    GetComponents().CreateClipboard()->SetText(commandLine);
    GetComponents().GetPrompt().Ask({"Command line syntax for selected item has been placed on the clipboard.\r\n\r\n" +
                                         ReadableText(commandLine).toStdString(),
                                     ExecutableName(), PromptButtons::OkCancel, PromptIcon::None});
}

void frmDAZadaro::ShowCommandLineSyntax()
{
    modDAZadaro::ShowUsage(std::string());
}

void frmDAZadaro::ShowAbout()
{
    frmAbout about(this);
    about.exec();
}

} // namespace ze6
