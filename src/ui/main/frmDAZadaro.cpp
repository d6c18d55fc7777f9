#include "ui/main/frmDAZadaro.h"

#include "engine/RunContext.h"

#include "engine/DefaultFolders.h"
#include "platform/Components.h"
#include "platform/Prompt.h"
#include "platform/RuntimeError.h"
#include "platform/process/ProcessInfo.h"
#include "platform/process/Version.h"
#include "ui/common/Twips.h"
#include "ui/main/FileDialogProcedures.h"
#include "ui/main/JobFile.h"
#include "ui/main/MainWindowLayout.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QTableWidget>

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

QString ApplicationTitle()
{
    return QString::fromUtf8(kApplicationTitle);
}

const std::string kNotSaved = "Your jobs have not been saved; a file already there keeps its previous content.";
const std::string kListUnchanged = "The job list has not been changed.";

void ReportFileFailure(const std::string& what, const QString& path, const std::string& why,
                       const std::string& consequence)
{
    GetComponents().GetPrompt().Ask({what + "\r\n" + path.toStdString() + "\r\n\r\n" + why + "\r\n\r\n" + consequence,
                                     ExecutableName(), PromptButtons::Ok, PromptIcon::Critical});
}

std::string LongestCellText()
{
    return "longer than " + std::to_string(modDAZadaro::kLongestCell) + " bytes, more than any path can be";
}

std::string CellFaultText(modDAZadaro::CellFault fault)
{
    switch (fault) {
    case modDAZadaro::CellFault::QuoteOrLineBreak:
        return "holds a double quote or a line break, which a job line cannot carry";
    case modDAZadaro::CellFault::TooLong:
        return "holds a text " + LongestCellText();
    case modDAZadaro::CellFault::None:
        break;
    }
    return {};
}

std::string JoinedNumbers(const std::vector<std::size_t>& numbers)
{
    std::string text;
    for (const std::size_t number : numbers)
        text += (text.empty() ? "" : ", ") + std::to_string(number);
    return text;
}

} // namespace

QString ReadableText(const std::string& bytes)
{
    const auto size = static_cast<qsizetype>(bytes.size());
    return QUtf8StringView(bytes.data(), size).isValidUtf8() ? QString::fromUtf8(bytes.data(), size)
                                                             : QString::fromLatin1(bytes.data(), size);
}

frmDAZadaro::frmDAZadaro(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmDAZadaro"));
    setWindowTitle(ApplicationTitle());
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

    m_grid = new QTableWidget(0, 3, client);
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral("Backup Files From"), QStringLiteral("Backup Files To"), QStringLiteral("KeepLast")});
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

    m_buttonPanel = new QWidget(client);
    m_buttonPanel->setObjectName(QStringLiteral("picButtons"));
    const auto makeButton = [this](const char* name, const QString& caption, int index,
                                   void (frmDAZadaro::*command)()) {
        auto* button = new QPushButton(caption, m_buttonPanel);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(Twips(Layout::kButtonLeft, Qt::Horizontal), Twips(Layout::ButtonTop(index), Qt::Vertical),
                            Twips(Layout::kButtonWidth, Qt::Horizontal), Twips(Layout::kButtonHeight, Qt::Vertical));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, command);
        return button;
    };
    m_cmdAdd = makeButton("cmdAdd", QStringLiteral("Add"), 0, &frmDAZadaro::Add);
    m_cmdRemove = makeButton("cmdRemove", QStringLiteral("Remove"), 1, &frmDAZadaro::Remove);
    m_cmdExecute = makeButton("cmdExecute", QStringLiteral("Execute"), 2, &frmDAZadaro::Execute);
    m_cmdCopySyntax = makeButton("cmdCopySyntax", QStringLiteral("Copy Syntax"), 3, &frmDAZadaro::CopySyntax);
    setTabOrder(m_grid, m_cmdAdd);
    setTabOrder(m_cmdAdd, m_cmdRemove);
    setTabOrder(m_cmdRemove, m_cmdExecute);
    setTabOrder(m_cmdExecute, m_cmdCopySyntax);

    client->installEventFilter(this);
    const int menuHeight = menuBar()->sizeHint().height();
    resize(Twips(Layout::kClientWidth, Qt::Horizontal), Twips(Layout::kClientHeight, Qt::Vertical) + menuHeight);
    client->resize(Twips(Layout::kClientWidth, Qt::Horizontal), Twips(Layout::kClientHeight, Qt::Vertical));
    ApplyLayout();
}

void frmDAZadaro::CentreOnScreen()
{
    const QScreen* target = screen();
    if (target == nullptr)
        return;
    move(Layout::CentredOrigin(target->availableGeometry(), frameGeometry().size()));
}

bool frmDAZadaro::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        ApplyLayout();
    return QMainWindow::eventFilter(watched, event);
}

void frmDAZadaro::ApplyLayout()
{
    const QSize client = centralWidget()->size();
    const int panelWidth = Twips(Layout::kButtonPanelWidth, Qt::Horizontal);
    m_buttonPanel->setGeometry(Layout::ButtonPanelPlacement(client, panelWidth));
    if (const auto grid = Layout::GridPlacement(client, panelWidth))
        m_grid->setGeometry(*grid);
}

int frmDAZadaro::JobCount() const
{
    return m_grid->rowCount();
}

modDAZadaro::Job frmDAZadaro::Job(int row) const
{
    const auto cell = [this, row](int column) {
        const QTableWidgetItem* item = m_grid->item(row - 1, column);
        if (item == nullptr)
            return std::string();
        // The grid shows a readable text; the cell's own bytes are kept beside it.
        const QVariant bytes = item->data(kCellBytesRole);
        return bytes.isValid() ? bytes.toByteArray().toStdString() : item->text().toStdString();
    };
    // The count cell only ever holds the text of a count.
    return {cell(0), cell(1), {modDAZadaro::ReadKeepLast(cell(2))}};
}

std::vector<modDAZadaro::Job> frmDAZadaro::Jobs() const
{
    std::vector<modDAZadaro::Job> jobs;
    jobs.reserve(static_cast<std::size_t>(JobCount()));
    for (int row = 1; row <= JobCount(); ++row)
        jobs.push_back(Job(row));
    return jobs;
}

std::string frmDAZadaro::GetCommandLine(int row) const
{
    return modDAZadaro::GetCommandLine(Job(row));
}

void frmDAZadaro::AppendJob(const modDAZadaro::Job& job)
{
    const int index = m_grid->rowCount();
    m_grid->insertRow(index);
    int column = 0;
    const std::string keepLast = modDAZadaro::KeepLastText(job.Retention.KeepLastCount);
    for (const std::string* cell : {&job.Source, &job.Target, &keepLast}) {
        auto* item = new QTableWidgetItem(ReadableText(*cell));
        item->setData(kCellBytesRole, QByteArray::fromStdString(*cell));
        m_grid->setItem(index, column++, item);
    }
}

bool frmDAZadaro::RefuseUnusableCells(const std::vector<modDAZadaro::Job>& jobs, int firstRow, const std::string& what,
                                      const std::string& consequence)
{
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const modDAZadaro::CellFault fault = modDAZadaro::CheckJob(jobs[i]);
        if (fault == modDAZadaro::CellFault::None)
            continue;
        GetComponents().GetPrompt().Ask({what + "\r\n\r\nRow " + std::to_string(firstRow + static_cast<int>(i)) + " " +
                                             CellFaultText(fault) + ".\r\n\r\n" + consequence,
                                         ExecutableName(), PromptButtons::Ok, PromptIcon::Critical});
        return true;
    }
    return false;
}

void frmDAZadaro::FitColumns()
{
    m_grid->resizeColumnsToContents();
}

int frmDAZadaro::CurrentJobRow() const
{
    return m_grid->currentRow() + 1;
}

void frmDAZadaro::RecordDocumentFile(const QString& path)
{
    m_currentFile = path;
    setWindowTitle(ApplicationTitle() + QStringLiteral(" - ") + path);
    m_isDirty = false;
}

std::string frmDAZadaro::InitialDialogLocation() const
{
    return m_currentFile.isEmpty() ? modDAZadaro::GetDefaultConfigFolder() : m_currentFile.toStdString();
}

bool frmDAZadaro::SaveFile(const QString& path)
{
    const std::string what = "The configuration file could not be saved:";
    const std::vector<modDAZadaro::Job> jobs = Jobs();
    if (RefuseUnusableCells(jobs, 1, what + "\r\n" + path.toStdString(), kNotSaved))
        return false;
    try {
        WriteJobFile(path.toStdString(), jobs);
    } catch (const FolderNotSynced& error) {
        ReportFileFailure(what, path, "Its folder could not be written to disk: " + error.Description(),
                          "The file may not survive a crash or power failure; your jobs are kept as unsaved.");
        return false;
    } catch (const RuntimeError& error) {
        ReportFileFailure(what, path, error.Description(), kNotSaved);
        return false;
    }
    RecordDocumentFile(path);
    return true;
}

bool frmDAZadaro::LoadFile(const QString& path)
{
    const std::string what = "The configuration file could not be read:";
    modDAZadaro::JobFileContent content;
    try {
        content = ReadJobFile(path.toStdString());
    } catch (const RuntimeError& error) {
        ReportFileFailure(what, path, error.Description(), kListUnchanged);
        return false;
    }
    if (content.quoteInPathLine != 0) {
        // Read on, such a line would become another job than the one written.
        ReportFileFailure(what, path,
                          "Line " + std::to_string(content.quoteInPathLine) +
                              " holds more double quotes than a job line can: a path in it contains one.",
                          kListUnchanged);
        return false;
    }
    const std::vector<modDAZadaro::Job>& jobs = content.jobs;
    m_grid->setRowCount(0);
    for (const modDAZadaro::Job& job : jobs)
        AppendJob(job);
    FitColumns();
    if (!jobs.empty()) {
        m_grid->setCurrentCell(m_grid->rowCount() - 1, 0);
        m_grid->scrollToItem(m_grid->item(m_grid->rowCount() - 1, 0));
    }
    RecordDocumentFile(path);
    if (!content.tooLongLines.empty()) {
        const bool one = content.tooLongLines.size() == 1;
        GetComponents().GetPrompt().Ask({(one ? "Line " : "Lines ") + JoinedNumbers(content.tooLongLines) + " of\r\n" +
                                             path.toStdString() + "\r\n" + (one ? "was" : "were") +
                                             " not loaded: a path in " + (one ? "it" : "them") + " is " +
                                             LongestCellText() + ".",
                                         ExecutableName(), PromptButtons::Ok, PromptIcon::Exclamation});
    }
    return true;
}

void frmDAZadaro::mnuFile_AboutToShow()
{
    m_mnuSave->setEnabled(JobCount() > 0 && !m_currentFile.isEmpty());
    m_mnuSaveAs->setEnabled(JobCount() > 0);
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
    if (m_currentFile.isEmpty())
        SaveAs();
    else
        SaveFile(m_currentFile);
}

void frmDAZadaro::SaveAs()
{
    const std::string path = ShowSaveDialog(this, InitialDialogLocation(), kSaveTitle, kSaveFilter, true);
    if (!path.empty())
        SaveFile(FromUtf8(path));
}

bool frmDAZadaro::ConfirmClose()
{
    if (!m_isDirty || m_closeConfirmed)
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
    if (!m_isDirty || !manager.allowsInteraction())
        return;
    if (ConfirmClose())
        m_closeConfirmed = true;
    else
        manager.cancel();
    manager.release();
}

} // namespace ze6
