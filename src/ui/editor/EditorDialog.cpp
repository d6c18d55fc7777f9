#include "ui/editor/EditorDialog.h"

#include "engine/DefaultFolders.h"
#include "engine/PathOperations.h"
#include "platform/Components.h"
#include "platform/process/ProcessInfo.h"
#include "platform/remote/RemoteFolder.h"
#include "ui/common/Twips.h"
#include "ui/editor/DataFileListing.h"
#include "ui/editor/EntryValidation.h"
#include "ui/editor/FileGrid.h"
#include "ui/editor/FileGridModel.h"
#include "ui/editor/FolderTree.h"
#include "ui/editor/SplitterBar.h"
#include "ui/editor/WaitCursor.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace ze6 {

namespace {

using EditorLayout::PixelRect;
using EditorLayout::Rect;

void SetGeometry(QWidget* widget, const PixelRect& rect)
{
    widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
}

QWidget* MakePanel(QWidget* parent, const char* name)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(QString::fromUtf8(name));
    return panel;
}

// The calendar fields, in the order of EditorState::keepCalendar.
struct CalendarField {
    const char* name;
    const char* unit; // the word after the field
    const char* rule; // the field's name in a refusal
};
constexpr std::array<CalendarField, 4> kCalendarFields = {{{"txtKeepDaily", "days", "Daily"},
                                                           {"txtKeepWeekly", "weeks", "Weekly"},
                                                           {"txtKeepMonthly", "months", "Monthly"},
                                                           {"txtKeepYearly", "years", "Yearly"}}};

QString CountText(std::int32_t count)
{
    return count == 0 ? QString() : QString::number(count);
}

} // namespace

EditorDialog::EditorDialog(EditorState& state, QWidget* owner) : QDialog(owner), m_state(state)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    BuildControls();
    SetUpTabOrder();
    const PixelRect client =
        EditorLayout::ToPixels({0, 0, EditorLayout::kClientWidth, EditorLayout::kClientHeight}, TwipsPerPixel());
    // The rules panel comes on top of the designed height, so the lists keep theirs.
    resize(client.width, client.height + m_rulesPanel->sizeHint().height());
    CentreOnScreen();
}

void EditorDialog::BuildControls()
{
    m_lstFolders = new FolderTree(this);
    m_lstFolders->setObjectName(QStringLiteral("lstFolders"));
    connect(m_lstFolders, &FolderTree::SelectionChanged, this, &EditorDialog::OnFolderSelected);

    m_grdfiles = new FileGrid(this);
    m_grdfiles->setObjectName(QStringLiteral("grdfiles"));
    connect(&m_grdfiles->Model(), &FileGridModel::CellChanged, this, &EditorDialog::OnGridCellChanged);

    m_imgSplit = new SplitterBar(this);
    m_imgSplit->setObjectName(QStringLiteral("imgSplit"));
    connect(m_imgSplit, &SplitterBar::Pressed, this, &EditorDialog::OnSplitPressed);
    connect(m_imgSplit, &SplitterBar::Moved, this, &EditorDialog::OnSplitMoved);
    connect(m_imgSplit, &SplitterBar::Released, this, &EditorDialog::OnSplitReleased);

    m_picSplit = MakePanel(this, "PicSplit");
    m_picSplit->setAutoFillBackground(true);
    m_picSplit->setBackgroundRole(QPalette::Dark);
    m_picSplit->hide();

    m_targetPanel = MakePanel(this, "Picture1");
    m_targetLabel = new QLabel(QStringLiteral("Backup files to..."), m_targetPanel);
    m_targetLabel->setObjectName(QStringLiteral("Label1"));
    m_txtTargetFolder = new QLineEdit(m_targetPanel);
    m_txtTargetFolder->setObjectName(QStringLiteral("txtTargetFolder"));
    m_cmdTargetBrowse = new QPushButton(QStringLiteral("..."), m_targetPanel);
    m_cmdTargetBrowse->setObjectName(QStringLiteral("cmdTargetBrowse"));
    m_cmdTargetBrowse->setAutoDefault(false);
    connect(m_cmdTargetBrowse, &QPushButton::clicked, this, &EditorDialog::OnTargetBrowse);
    m_cmdTargetRemote = new QPushButton(QStringLiteral("Remote..."), m_targetPanel);
    m_cmdTargetRemote->setObjectName(QStringLiteral("cmdTargetRemote"));
    m_cmdTargetRemote->setAutoDefault(false);
    connect(m_cmdTargetRemote, &QPushButton::clicked, this, &EditorDialog::OnTargetRemote);
    m_keepLastLabel =
        new QLabel(QStringLiteral("Number of generations to keep (Leave blank for unlimited)"), m_targetPanel);
    m_keepLastLabel->setObjectName(QStringLiteral("Label2"));
    m_txtKeepLast = new QLineEdit(m_targetPanel);
    m_txtKeepLast->setObjectName(QStringLiteral("txtKeepLast"));
    PlaceTargetPanel();
    BuildRulesPanel();

    m_picFooter = MakePanel(this, "picFooter");
    m_picFooter->installEventFilter(this);
    m_picButtons = MakePanel(m_picFooter, "picButtons");
    m_cmdOk = new QPushButton(QStringLiteral("Ok"), m_picButtons);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setDefault(true);
    connect(m_cmdOk, &QPushButton::clicked, this, &EditorDialog::OnOk);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), m_picButtons);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    connect(m_cmdCancel, &QPushButton::clicked, this, &EditorDialog::OnCancel);
    const double twipsPerPixel = TwipsPerPixel();
    SetGeometry(m_cmdOk, EditorLayout::ToPixels(EditorLayout::kOkButton, twipsPerPixel));
    SetGeometry(m_cmdCancel, EditorLayout::ToPixels(EditorLayout::kCancelButton, twipsPerPixel));
}

void EditorDialog::BuildRulesPanel()
{
    m_rulesPanel = MakePanel(this, "picRules");
    const double twipsPerPixel = TwipsPerPixel();
    const auto pixels = [twipsPerPixel](double twips) { return static_cast<int>(std::lround(twips / twipsPerPixel)); };
    auto* rows = new QVBoxLayout(m_rulesPanel);
    // In line with the target panel's controls above.
    const int edge = pixels(EditorLayout::kTargetLabel.left);
    rows->setContentsMargins(edge, 0, edge, pixels(EditorLayout::kLabelGap));
    auto* calendar = new QHBoxLayout;
    auto* lblCalendar = new QLabel(QStringLiteral("Keep the newest archive of each of the last"), m_rulesPanel);
    lblCalendar->setObjectName(QStringLiteral("lblCalendar"));
    calendar->addWidget(lblCalendar);
    for (std::size_t i = 0; i < kCalendarFields.size(); ++i) {
        auto* box = new QLineEdit(m_rulesPanel);
        box->setObjectName(QString::fromUtf8(kCalendarFields[i].name));
        box->setToolTip(QStringLiteral("Leave blank for off"));
        box->setFixedWidth(pixels(EditorLayout::kKeepLastBox.width));
        auto* unit = new QLabel(QString::fromUtf8(kCalendarFields[i].unit), m_rulesPanel);
        unit->setBuddy(box);
        calendar->addWidget(box);
        calendar->addWidget(unit);
        m_txtCalendar[i] = box;
    }
    calendar->addStretch(1);
    rows->addLayout(calendar);
    m_chkIfChanged = new QCheckBox(QStringLiteral("Only when changed"), m_rulesPanel);
    m_chkIfChanged->setObjectName(QStringLiteral("chkIfChanged"));
    m_chkIfChanged->setToolTip(
        QStringLiteral("Write an archive only when the data file or a companion differs from its newest archive"));
    rows->addWidget(m_chkIfChanged);
}

void EditorDialog::SetUpTabOrder()
{
    QWidget* const order[] = {m_lstFolders,   m_grdfiles,       m_txtTargetFolder, m_cmdTargetBrowse, m_cmdTargetRemote,
                              m_txtKeepLast,  m_txtCalendar[0], m_txtCalendar[1],  m_txtCalendar[2],  m_txtCalendar[3],
                              m_chkIfChanged, m_cmdOk,          m_cmdCancel};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void EditorDialog::CentreOnScreen()
{
    const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const double twipsPerPixel = TwipsPerPixel();
    const auto toTwips = [twipsPerPixel](int pixels) { return static_cast<int>(std::lround(pixels * twipsPerPixel)); };
    const QRect area = screen->geometry();
    const int left = EditorLayout::CentredOrigin(toTwips(area.width()), toTwips(width()));
    const int top = EditorLayout::CentredOrigin(toTwips(area.height()), toTwips(height()));
    move(area.x() + static_cast<int>(left / twipsPerPixel), area.y() + static_cast<int>(top / twipsPerPixel));
}

void EditorDialog::PlaceTargetPanel()
{
    const double twipsPerPixel = TwipsPerPixel();
    // Designed places; the boxes keep their natural height, the browse button matches them.
    const auto place = [twipsPerPixel](QWidget* widget, Rect rect) {
        PixelRect pixels = EditorLayout::ToPixels(rect, twipsPerPixel);
        pixels.height = widget->sizeHint().height();
        SetGeometry(widget, pixels);
    };
    place(m_targetLabel, EditorLayout::kTargetLabel);
    place(m_txtTargetFolder, EditorLayout::kTargetFolderBox);
    const double keepLastLabelTextWidth = m_keepLastLabel->sizeHint().width() * twipsPerPixel;
    Rect keepLastLabel = EditorLayout::kKeepLastLabel;
    keepLastLabel.width = std::max(keepLastLabel.width, keepLastLabelTextWidth);
    place(m_keepLastLabel, keepLastLabel);
    Rect keepLast = EditorLayout::kKeepLastBox;
    keepLast.left = EditorLayout::KeepLastBoxLeft(keepLastLabelTextWidth);
    place(m_txtKeepLast, keepLast);
    // The label shares the box's top; centring its text on the box's height
    // puts both texts on one line.
    m_keepLastLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_keepLastLabel->resize(m_keepLastLabel->width(), m_txtKeepLast->height());
    PixelRect browse = EditorLayout::ToPixels(EditorLayout::kTargetBrowseButton, twipsPerPixel);
    browse.height = m_txtTargetFolder->height();
    SetGeometry(m_cmdTargetBrowse, browse);
    PixelRect remote = EditorLayout::ToPixels(EditorLayout::kTargetRemoteButton, twipsPerPixel);
    remote.height = m_txtTargetFolder->height();
    SetGeometry(m_cmdTargetRemote, remote);
}

double EditorDialog::TwipsPerPixel() const
{
    return ze6::TwipsPerPixel(logicalDpiX());
}

double EditorDialog::InnerWidth() const
{
    return width() * TwipsPerPixel();
}

QString EditorDialog::StartFolder() const
{
    std::string folder;
    if (!m_state.sourceFolder.isEmpty())
        folder = modDAZadaro::GetFolderPart(m_state.sourceFolder.toStdString());
    else
        folder = modDAZadaro::GetDefaultSourceFolder();
    // With neither a job nor a product data folder to start from, the home
    // folder is where a user's data most likely is.
    if (folder.empty())
        folder = HomeFolder();
    return QString::fromStdString(folder);
}

void EditorDialog::Display()
{
    Prepare();
    exec();
}

void EditorDialog::Prepare()
{
    m_txtTargetFolder->setText(m_state.targetFolder);
    m_txtKeepLast->setText(QString::fromStdString(modDAZadaro::KeepLastText(m_state.keepLast)));
    for (std::size_t i = 0; i < m_txtCalendar.size(); ++i)
        m_txtCalendar[i]->setText(CountText(m_state.keepCalendar[i]));
    m_chkIfChanged->setChecked(m_state.ifChanged);
    m_state.currentFolder = StartFolder();
    m_lstFolders->GoTo(m_state.currentFolder);
    m_state.splitRatio = EditorLayout::kStartSplitRatio;
}

void EditorDialog::OnFolderSelected()
{
    const QString path = m_lstFolders->SelectedPath();
    if (path.isEmpty())
        return;
    const WaitCursor wait;
    m_state.currentFolder = EntryValidation::FolderWithSeparator(path);
    FillFileList(QString::fromUtf8(EntryValidation::kDataFilePattern));
}

void EditorDialog::FillFileList(const QString& pattern)
{
    const WaitCursor wait;
    FileGridModel& model = m_grdfiles->Model();
    std::vector<FileGridRow> rows =
        ReadDataFiles(m_state.currentFolder.toStdString(), pattern.toStdString(), model.HeaderTicked());
    m_grdfiles->setUpdatesEnabled(false);
    model.SetRows(std::move(rows));
    m_grdfiles->SizeColumnsToContents();
    m_grdfiles->setUpdatesEnabled(true);
}

void EditorDialog::OnGridCellChanged(int row, int column)
{
    if (row != 0 || column != FileGridModel::TickColumn)
        return;
    FileGridModel& model = m_grdfiles->Model();
    model.SetAllTicked(model.HeaderTicked());
}

PromptAnswer EditorDialog::Ask(const std::string& text, PromptButtons buttons, PromptIcon icon)
{
    return GetComponents().GetPrompt().Ask({text, ExecutableName(), buttons, icon});
}

void EditorDialog::OnOk()
{
    m_state.sourceFiles = EntryValidation::BuildSourceFiles(m_state.currentFolder, m_grdfiles->Model().Rows());
    if (m_state.sourceFiles.isEmpty()) {
        Ask(EntryValidation::kNoSourceFiles, PromptButtons::Ok, PromptIcon::Exclamation);
        m_grdfiles->setFocus();
        return;
    }
    if (!ValidateSources()) {
        m_state.sourceFiles.clear();
        return;
    }
    if (!ValidateTarget()) {
        m_txtTargetFolder->setFocus();
        return;
    }
    if (!ValidateKeepLast()) {
        m_txtKeepLast->setFocus();
        return;
    }
    if (!ValidateCalendar())
        return;
    m_state.ifChanged = m_chkIfChanged->isChecked();
    m_state.cancel = false;
    hide();
}

bool EditorDialog::ValidateSources()
{
    // The folder first: a name in it cannot mend what the folder breaks.
    const auto folderFault = modDAZadaro::CheckCell(m_state.currentFolder.toStdString());
    if (folderFault != modDAZadaro::CellFault::None) {
        Ask(EntryValidation::UnusablePathText("Source Folder", folderFault), PromptButtons::Ok,
            PromptIcon::Exclamation);
        m_lstFolders->setFocus();
        return false;
    }
    for (const QString& entry : m_state.sourceFiles) {
        const auto fault = modDAZadaro::CheckCell(entry.toStdString());
        if (fault != modDAZadaro::CellFault::None) {
            Ask(EntryValidation::UnusablePathText("Source File(s)", fault), PromptButtons::Ok, PromptIcon::Exclamation);
            m_grdfiles->setFocus();
            return false;
        }
    }
    return true;
}

bool EditorDialog::ValidateTarget()
{
    const std::string target = EntryValidation::NormaliseTarget(m_txtTargetFolder->text().toStdString());
    if (target.empty()) {
        Ask(EntryValidation::kTargetRequired, PromptButtons::Ok, PromptIcon::Exclamation);
        return false;
    }
    // Checked before the folder is looked for or offered to be created.
    if (const auto fault = modDAZadaro::CheckCell(target); fault != modDAZadaro::CellFault::None) {
        Ask(EntryValidation::UnusablePathText("Target Folder", fault), PromptButtons::Ok, PromptIcon::Exclamation);
        return false;
    }
    if (!modDAZadaro::FileExists(target)) {
        if (Ask(EntryValidation::kTargetMissingQuestion, PromptButtons::YesNo, PromptIcon::None) != PromptAnswer::Yes)
            return false;
        if (!modDAZadaro::CreateFolderPath(target)) {
            Ask(EntryValidation::CreateFolderFailedText(target), PromptButtons::Ok, PromptIcon::Critical);
            return false;
        }
    }
    m_state.targetFolder = QString::fromStdString(target);
    return true;
}

bool EditorDialog::ValidateKeepLast()
{
    using EntryValidation::KeepLastVerdict;
    const EntryValidation::KeepLastResult result = EntryValidation::CheckKeepLast(m_txtKeepLast->text().toStdString());
    const char* message = nullptr;
    switch (result.verdict) {
    case KeepLastVerdict::Accepted:
        m_state.keepLast = result.count;
        return true;
    case KeepLastVerdict::NotNumeric:
        message = EntryValidation::kKeepLastNotNumeric;
        break;
    case KeepLastVerdict::Negative:
        message = EntryValidation::kKeepLastNegative;
        break;
    case KeepLastVerdict::TooLarge:
        message = EntryValidation::kKeepLastTooLarge;
        break;
    }
    Ask(message, PromptButtons::Ok, PromptIcon::Exclamation);
    return false;
}

bool EditorDialog::ValidateCalendar()
{
    for (std::size_t i = 0; i < m_txtCalendar.size(); ++i) {
        const auto count = EntryValidation::CheckCalendarCount(m_txtCalendar[i]->text().toStdString());
        if (!count) {
            Ask(EntryValidation::CalendarCountText(kCalendarFields[i].rule), PromptButtons::Ok,
                PromptIcon::Exclamation);
            m_txtCalendar[i]->setFocus();
            return false;
        }
        m_state.keepCalendar[i] = *count;
    }
    return true;
}

void EditorDialog::OnCancel()
{
    m_state.cancel = true;
    hide();
}

void EditorDialog::reject()
{
    OnCancel();
}

void EditorDialog::closeEvent(QCloseEvent* event)
{
    // Refused: the caller still reads the values and unloads the dialog itself.
    OnCancel();
    event->ignore();
}

void EditorDialog::OnTargetBrowse()
{
    QWidget* owner = this;
    const std::string folder = modDAZadaro::BrowseFolder(owner, "Select a Target Folder");
    if (!folder.empty())
        m_txtTargetFolder->setText(QString::fromStdString(folder));
}

namespace {

constexpr const char* kNoRemotes =
    "No rclone remote is set up yet (or rclone is not installed). Set one up with \"rclone config\", then "
    "choose it here.";

// rclone can take many seconds to answer for a remote far away or down: it
// is asked on a thread of its own while the dialog stays painted, and a
// "Cancel" gives up on the answer. Nothing when cancelled. The thread shares
// only the answer's slot, so it may outlive the dialog; the pool waits for
// it when the program ends, which rclone's time limit keeps short.
std::optional<std::vector<std::string>> AskRclone(QWidget* owner, const QString& label,
                                                  std::function<std::vector<std::string>()> ask)
{
    struct Answer {
        std::mutex mutex;
        std::optional<std::vector<std::string>> lines;
    };
    const auto answer = std::make_shared<Answer>();
    QThreadPool::globalInstance()->start([answer, ask = std::move(ask)] {
        auto lines = ask();
        const std::lock_guard lock(answer->mutex);
        answer->lines = std::move(lines);
    });
    const auto answered = [&answer]() -> std::optional<std::vector<std::string>> {
        const std::lock_guard lock(answer->mutex);
        return answer->lines;
    };

    QProgressDialog waiting(label, QStringLiteral("Cancel"), 0, 0, owner);
    waiting.setWindowTitle(QStringLiteral("Remote"));
    waiting.setWindowModality(Qt::WindowModal);
    // Shown at once, even for a quick answer: until it is up, the entry could
    // be accepted or the button pressed again under the question's feet.
    waiting.setMinimumDuration(0);
    waiting.show();
    QEventLoop loop;
    bool cancelled = false;
    QObject::connect(&waiting, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (answered())
            loop.quit();
    });
    poll.start(10);
    if (!answered())
        loop.exec();
    if (cancelled)
        return std::nullopt;
    return answered();
}

} // namespace

void EditorDialog::OnTargetRemote()
{
    const auto listed = AskRclone(this, QStringLiteral("Asking rclone for its remotes..."), [] { return RcloneRemotes(); });
    if (!listed)
        return;
    const std::vector<std::string>& remotes = *listed;
    if (remotes.empty()) {
        Ask(kNoRemotes, PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    QStringList names;
    for (const auto& remote : remotes)
        names << QString::fromStdString(remote);
    bool chosen = false;
    const QString remote = QInputDialog::getItem(this, QStringLiteral("Remote"), QStringLiteral("rclone remote:"),
                                                 names, 0, false, &chosen);
    if (!chosen)
        return;
    // The remote's own top level first; a folder that does not exist yet can
    // be typed into the box afterwards.
    const auto listedFolders = AskRclone(this, QStringLiteral("Listing the folders of %1...").arg(remote),
                                         [name = remote.toStdString()] { return RcloneFolders(name); });
    if (!listedFolders)
        return;
    QStringList folders{QStringLiteral("(top level)")};
    for (const auto& folder : *listedFolders)
        folders << QString::fromStdString(folder);
    const QString folder = QInputDialog::getItem(
        this, QStringLiteral("Remote"), QStringLiteral("Folder of %1:").arg(remote), folders, 0, false, &chosen);
    if (!chosen)
        return;
    m_txtTargetFolder->setText(
        QStringLiteral("rclone:%1:%2").arg(remote, folder == folders.front() ? QString() : folder));
}

void EditorDialog::DockPanels()
{
    const double twipsPerPixel = TwipsPerPixel();
    const int footerHeight = static_cast<int>(std::lround(EditorLayout::kFooterHeight / twipsPerPixel));
    const int targetPanelHeight = static_cast<int>(std::lround(EditorLayout::kTargetPanelHeight / twipsPerPixel));
    const int rulesHeight = m_rulesPanel->sizeHint().height();
    const int rulesTop = height() - footerHeight - rulesHeight;
    m_picFooter->setGeometry(0, height() - footerHeight, width(), footerHeight);
    m_rulesPanel->setGeometry(0, rulesTop, width(), rulesHeight);
    m_targetPanel->setGeometry(0, rulesTop - targetPanelHeight, width(), targetPanelHeight);
}

void EditorDialog::PlaceButtonPanel()
{
    const double twipsPerPixel = TwipsPerPixel();
    Rect panel = EditorLayout::kButtonPanel;
    panel.left = EditorLayout::ButtonPanelLeft(m_picFooter->width() * twipsPerPixel);
    SetGeometry(m_picButtons, EditorLayout::ToPixels(panel, twipsPerPixel));
}

void EditorDialog::SizeControls()
{
    m_panes =
        EditorLayout::SizeControls(m_panes, InnerWidth(), m_state.splitRatio, m_targetPanel->y() * TwipsPerPixel());
    ApplyPanes();
}

void EditorDialog::ApplyPanes()
{
    const double twipsPerPixel = TwipsPerPixel();
    SetGeometry(m_imgSplit, EditorLayout::ToPixels(m_panes.splitter, twipsPerPixel));
    SetGeometry(m_lstFolders, EditorLayout::ToPixels(m_panes.tree, twipsPerPixel));
    SetGeometry(m_grdfiles, EditorLayout::ToPixels(m_panes.grid, twipsPerPixel));
}

void EditorDialog::ApplyIndicator()
{
    SetGeometry(m_picSplit, EditorLayout::ToPixels(m_indicator, TwipsPerPixel()));
}

void EditorDialog::LayOut()
{
    if (isMinimized())
        return;
    DockPanels();
    SizeControls();
}

void EditorDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayOut();
}

void EditorDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A dialog shown again at its old size gets no resize, but every showing starts from the split ratio.
    LayOut();
}

void EditorDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Resizes while minimised were ignored; restoring lays out for the size it has now.
    if (event->type() == QEvent::WindowStateChange)
        LayOut();
}

bool EditorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picFooter && event->type() == QEvent::Resize)
        PlaceButtonPanel();
    return QDialog::eventFilter(watched, event);
}

void EditorDialog::OnSplitPressed(Qt::MouseButton button, QPoint /*position*/)
{
    if (button != Qt::LeftButton)
        return;
    m_moving = true;
    m_indicator = m_panes.splitter;
    ApplyIndicator();
    m_picSplit->show();
    m_picSplit->raise();
}

void EditorDialog::OnSplitMoved(QPoint position)
{
    if (!m_moving)
        return;
    // The panes stay put while dragging; only the indicator follows the pointer.
    m_indicator.left = m_panes.splitter.left + position.x() * TwipsPerPixel();
    ApplyIndicator();
}

void EditorDialog::OnSplitReleased(Qt::MouseButton button, QPoint /*position*/)
{
    if (!m_moving || button != Qt::LeftButton)
        return;
    m_moving = false;
    const double innerWidth = InnerWidth();
    m_indicator.left = EditorLayout::DropLeft(m_indicator.left, innerWidth);
    m_panes.splitter = m_indicator;
    if (innerWidth > 0)
        m_state.splitRatio = m_panes.splitter.left / innerWidth;
    m_picSplit->hide();
    SizeControls();
}

} // namespace ze6
