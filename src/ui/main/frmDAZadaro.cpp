#include "ui/main/frmDAZadaro.h"

#include "engine/RunContext.h"

#include "engine/DefaultFolders.h"
#include "engine/JobStatus.h"
#include "engine/Schedule.h"
#include "platform/log/LogLocation.h"
#include "platform/process/ProcessRunner.h"
#include "platform/schedule/Scheduler.h"
#include "ui/main/LogDialog.h"
#include "platform/Components.h"
#include "platform/Prompt.h"
#include "platform/process/ProcessInfo.h"
#include "platform/process/Version.h"
#include "ui/common/Twips.h"
#include "ui/main/FileDialogProcedures.h"
#include "ui/main/MainWindowLayout.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QTableView>
#include <algorithm>

namespace ze6 {

namespace {

using namespace std::string_literals;

namespace Layout = MainWindowLayout;

constexpr double kDesignPointSize = 8.25;

const std::string kOpenTitle = "Open Backup Configuration File";
const std::string kSaveTitle = "Save Backup Configuration File";
// The open dialog also lists the other spellings the command line runs; the
// save dialog offers the one type the window writes.
const std::string kOpenFilter = "DA Zadaro Configuration File\0*.RZB;*.ZE6VIVEVU;*.RZB6;*.ZE6Vivevu\0\0"s;
const std::string kSaveFilter = "DA Zadaro Configuration File (*.RZB)\0*.RZB\0\0"s;

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

frmDAZadaro::frmDAZadaro(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmDAZadaro"));
    setWindowTitle(m_document.Caption());
    // The twips layout was drawn for an 8.25 point face: "Copy Syntax" must fit its button.
    QFont designFont = font();
    designFont.setPointSizeF(kDesignPointSize);
    setFont(designFont);
    BuildMenus();
    BuildClientArea();
    FitColumns();
    mnuFile_AboutToShow();
    mnuEdit_AboutToShow();
    CentreOnScreen();
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::commitDataRequest, this, &frmDAZadaro::CommitSessionData);
    }
}

int frmDAZadaro::Twips(int twips, Qt::Orientation orientation) const
{
    return TwipsToPixels(twips, orientation == Qt::Horizontal ? logicalDpiX() : logicalDpiY());
}

void frmDAZadaro::BuildMenus()
{
    // No item carries a shortcut key: every command is reached through its menu.
    m_mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction* mnuOpen = m_mnuFile->addAction(QStringLiteral("Open ..."), this, &frmDAZadaro::Open);
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    m_mnuSave = m_mnuFile->addAction(QStringLiteral("Save"), this, &frmDAZadaro::Save);
    m_mnuSave->setObjectName(QStringLiteral("mnuSave"));
    m_mnuSaveAs = m_mnuFile->addAction(QStringLiteral("Save As..."), this, &frmDAZadaro::SaveAs);
    m_mnuSaveAs->setObjectName(QStringLiteral("mnuSaveAs"));
    QAction* mnuSchedule = m_mnuFile->addAction(QStringLiteral("Schedule..."), this, &frmDAZadaro::Schedule);
    mnuSchedule->setObjectName(QStringLiteral("mnuSchedule"));
    QAction* mnuExit = m_mnuFile->addAction(QStringLiteral("Exit"), this, &QWidget::close);
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(m_mnuFile, &QMenu::aboutToShow, this, &frmDAZadaro::mnuFile_AboutToShow);

    QMenu* mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    QAction* mnuGenerateCommandLine =
        mnuEdit->addAction(QStringLiteral("Generate Command Line"), this, &frmDAZadaro::CopySyntax);
    mnuGenerateCommandLine->setObjectName(QStringLiteral("mnuGenerateCommandLine"));
    mnuEdit->addSeparator();
    m_mnuRestore = mnuEdit->addAction(QStringLiteral("Restore\u2026"), this, &frmDAZadaro::RestoreFromArchive);
    m_mnuRestore->setObjectName(QStringLiteral("mnuRestore"));
    m_mnuVerify = mnuEdit->addAction(QStringLiteral("Verify"), this, &frmDAZadaro::VerifyArchives);
    m_mnuVerify->setObjectName(QStringLiteral("mnuVerify"));
    // Like Remove, it acts on the selected rows and is always offered.
    QAction* mnuDryRun = mnuEdit->addAction(QStringLiteral("Dry Run"), this, &frmDAZadaro::DryRun);
    mnuDryRun->setObjectName(QStringLiteral("mnuDryRun"));
    QAction* mnuShowLog = mnuEdit->addAction(QStringLiteral("Show Log"), this, &frmDAZadaro::ShowLog);
    mnuShowLog->setObjectName(QStringLiteral("mnuShowLog"));
    connect(mnuEdit, &QMenu::aboutToShow, this, &frmDAZadaro::mnuEdit_AboutToShow);

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* mnuAbout = mnuHelp->addAction(QStringLiteral("About"), this, &frmDAZadaro::ShowAbout);
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    QAction* mnuHelpCommandLine =
        mnuHelp->addAction(QStringLiteral("Command Line Syntax"), this, &frmDAZadaro::ShowCommandLineSyntax);
    mnuHelpCommandLine->setObjectName(QStringLiteral("mnuHelpCommandLine"));
}

void frmDAZadaro::BuildClientArea()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    m_grid = new QTableView(client);
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_grid->setModel(&m_document.JobList());
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Ctrl+click adds single rows and Shift+click ranges, so any set of rows,
    // adjacent or not, can be removed in one go.
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setTabKeyNavigation(false);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);

    // The button panel keeps its width at the right edge; the grid takes the rest.
    auto* buttonPanel = new QWidget(client);
    buttonPanel->setObjectName(QStringLiteral("picButtons"));
    buttonPanel->setFixedWidth(Twips(Layout::kButtonPanelWidth, Qt::Horizontal));
    auto* clientLayout = new QHBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);
    clientLayout->addWidget(m_grid, 1);
    clientLayout->addWidget(buttonPanel);

    auto* buttons = new QVBoxLayout(buttonPanel);
    buttons->setContentsMargins(Twips(Layout::kButtonLeft, Qt::Horizontal),
                                Twips(Layout::kFirstButtonTop, Qt::Vertical), 0, 0);
    buttons->setSpacing(Twips(Layout::kButtonSpacing, Qt::Vertical) - Twips(Layout::kButtonHeight, Qt::Vertical));
    const auto makeButton = [&](const char* name, const QString& caption, void (frmDAZadaro::*command)()) {
        auto* button = new QPushButton(caption, buttonPanel);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(Twips(Layout::kButtonWidth, Qt::Horizontal), Twips(Layout::kButtonHeight, Qt::Vertical));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, command);
        buttons->addWidget(button, 0, Qt::AlignLeft);
        return button;
    };
    m_cmdAdd = makeButton("cmdAdd", QStringLiteral("Add"), &frmDAZadaro::Add);
    QPushButton* cmdRemove = makeButton("cmdRemove", QStringLiteral("Remove"), &frmDAZadaro::Remove);
    m_cmdExecute = makeButton("cmdExecute", QStringLiteral("Execute"), &frmDAZadaro::Execute);
    QPushButton* cmdCopySyntax = makeButton("cmdCopySyntax", QStringLiteral("Copy Syntax"), &frmDAZadaro::CopySyntax);
    buttons->addStretch();
    setTabOrder(m_grid, m_cmdAdd);
    setTabOrder(m_cmdAdd, cmdRemove);
    setTabOrder(cmdRemove, m_cmdExecute);
    setTabOrder(m_cmdExecute, cmdCopySyntax);

    resize(Twips(Layout::kClientWidth, Qt::Horizontal),
           Twips(Layout::kClientHeight, Qt::Vertical) + menuBar()->sizeHint().height());
}

void frmDAZadaro::CentreOnScreen()
{
    const QScreen* target = screen();
    if (target == nullptr)
        return;
    move(Layout::CentredOrigin(target->availableGeometry(), frameGeometry().size()));
}

void frmDAZadaro::ShowNotice(const std::optional<PromptRequest>& notice)
{
    if (notice)
        GetComponents().GetPrompt().Ask(*notice);
}

void frmDAZadaro::FitColumns()
{
    m_grid->resizeColumnsToContents();
}

int frmDAZadaro::CurrentJobRow() const
{
    return m_grid->currentIndex().isValid() ? m_grid->currentIndex().row() : -1;
}

std::vector<int> frmDAZadaro::SelectedJobRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<modDAZadaro::Job> frmDAZadaro::SelectedJobs() const
{
    std::vector<modDAZadaro::Job> jobs;
    for (const int row : SelectedJobRows())
        jobs.push_back(m_document.JobList().At(row));
    return jobs;
}

std::string frmDAZadaro::InitialDialogLocation() const
{
    return CurrentFile().isEmpty() ? modDAZadaro::GetDefaultConfigFolder() : CurrentFile().toStdString();
}

bool frmDAZadaro::SaveFile(const QString& path)
{
    const ConfigurationDocument::FileOutcome outcome = m_document.Save(path);
    if (outcome.done)
        setWindowTitle(m_document.Caption());
    ShowNotice(outcome.notice);
    return outcome.done;
}

bool frmDAZadaro::LoadFile(const QString& path)
{
    const ConfigurationDocument::FileOutcome outcome = m_document.Load(path);
    if (outcome.done) {
        FitColumns();
        const int count = m_document.JobList().Count();
        if (count > 0) {
            const QModelIndex last = m_document.JobList().index(count - 1, 0);
            m_grid->setCurrentIndex(last);
            m_grid->scrollTo(last);
        }
        setWindowTitle(m_document.Caption());
        ShowJobStatuses();
    }
    ShowNotice(outcome.notice);
    return outcome.done;
}

void frmDAZadaro::ShowJobStatuses()
{
    std::vector<std::string> lines;
    for (const modDAZadaro::Job& job : m_document.Jobs())
        lines.push_back(modDAZadaro::FormatJobLine(job));
    SystemProcessRunner runner;
    std::unique_ptr<Scheduler> scheduler;
    try {
        scheduler = CreateScheduler(runner);
    } catch (const ScheduleError&) {
        // Without the schedule nothing is overdue; failed jobs still show.
    }
    const std::string file = modDAZadaro::AbsoluteConfigPath(CurrentFile().toStdString());
    const auto statuses = modDAZadaro::StatusOfFile(file, lines, scheduler.get(), runner);
    m_document.JobList().SetStatuses(statuses);
    // The bar appears only when there is something to say.
    if (const auto behind = modDAZadaro::BehindText(statuses))
        statusBar()->showMessage(FromUtf8(*behind));
    else if (auto* bar = findChild<QStatusBar*>())
        bar->clearMessage();
}

void frmDAZadaro::ShowLog()
{
    std::optional<JobRun> run;
    if (const int row = CurrentJobRow(); row >= 0) {
        if (const auto* status = m_document.JobList().StatusOf(m_document.JobList().At(row)))
            run = status->lastRun;
    }
    LogDialog dialog(this, ApplicationLogPath(), run);
    dialog.exec();
}

void frmDAZadaro::mnuFile_AboutToShow()
{
    m_mnuSave->setEnabled(m_document.CanSave());
    m_mnuSaveAs->setEnabled(m_document.CanSaveAs());
}

void frmDAZadaro::Open()
{
    // Unsaved changes are not asked about: opening a file is the user's explicit choice.
    const std::string path = ShowOpenDialog(this, InitialDialogLocation(), kOpenTitle, kOpenFilter, true);
    if (!path.empty())
        LoadFile(FromUtf8(path));
}

void frmDAZadaro::Save()
{
    if (CurrentFile().isEmpty())
        SaveAs();
    else
        SaveFile(CurrentFile());
}

void frmDAZadaro::SaveAs()
{
    const std::string path = ShowSaveDialog(this, InitialDialogLocation(), kSaveTitle, kSaveFilter, true);
    if (!path.empty())
        SaveFile(FromUtf8(path));
}

bool frmDAZadaro::ConfirmClose()
{
    if (!IsDirty() || m_closeConfirmed)
        return true;
    return GetComponents().GetPrompt().Ask({"Quit without saving your changes?", ExecutableName(), PromptButtons::YesNo,
                                            PromptIcon::None}) == PromptAnswer::Yes;
}

void frmDAZadaro::closeEvent(QCloseEvent* event)
{
    if (m_run) {
        // Closed now, the window would take the run's dialog and prompt with it.
        event->ignore();
        if (!m_closeAfterRun &&
            GetComponents().GetPrompt().Ask({"A backup is running. Cancel it and close the window?", kApplicationTitle,
                                             PromptButtons::YesNo, PromptIcon::Exclamation}) == PromptAnswer::Yes) {
            m_closeAfterRun = true;
            m_run->RequestCancel();
        }
        return;
    }
    if (ConfirmClose())
        event->accept();
    else
        event->ignore();
}

void frmDAZadaro::CommitSessionData(QSessionManager& manager)
{
    // Without leave to interact the session ends regardless; nothing to ask.
    if (!IsDirty() || !manager.allowsInteraction())
        return;
    if (ConfirmClose())
        m_closeConfirmed = true;
    else
        manager.cancel();
    manager.release();
}

} // namespace ze6
