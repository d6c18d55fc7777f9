#include "ui/main/RestoreDialog.h"

#include "engine/PathOperations.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ze6 {

namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    return item;
}

} // namespace

RestoreDialog::RestoreDialog(const RestoreRequest& request, QWidget* owner)
    : QDialog(owner), m_archives(request.archives)
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(QStringLiteral("Restore from an archive"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* lblArchives = new QLabel(QStringLiteral("&Archives of this job's data files, newest first:"), this);
    layout->addWidget(lblArchives);

    m_grdArchives = new QTableWidget(static_cast<int>(m_archives.size()), 4, this);
    m_grdArchives->setObjectName(QStringLiteral("grdArchives"));
    m_grdArchives->setHorizontalHeaderLabels(
        {QStringLiteral("Data file"), QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Size")});
    m_grdArchives->verticalHeader()->hide();
    m_grdArchives->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grdArchives->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grdArchives->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdArchives->setWordWrap(false);
    m_grdArchives->setTabKeyNavigation(false);
    const QLocale locale;
    for (int row = 0; row < static_cast<int>(m_archives.size()); ++row) {
        const auto& archive = m_archives[static_cast<std::size_t>(row)];
        m_grdArchives->setItem(row, 0, Cell(FromUtf8(archive.dataFile)));
        m_grdArchives->setItem(row, 1, Cell(FromUtf8(archive.date)));
        m_grdArchives->setItem(row, 2, Cell(FromUtf8(archive.time)));
        m_grdArchives->setItem(
            row, 3,
            Cell(locale.formattedDataSize(static_cast<qint64>(archive.size)), Qt::AlignRight | Qt::AlignVCenter));
        m_grdArchives->item(row, 0)->setToolTip(FromUtf8(archive.path));
    }
    m_grdArchives->resizeColumnsToContents();
    m_grdArchives->horizontalHeader()->setStretchLastSection(true);
    lblArchives->setBuddy(m_grdArchives);
    layout->addWidget(m_grdArchives, 1);

    auto* lblDestination = new QLabel(QStringLiteral("Restore &into this folder:"), this);
    layout->addWidget(lblDestination);
    auto* destinationRow = new QHBoxLayout;
    m_txtDestination = new QLineEdit(FromUtf8(request.destination), this);
    m_txtDestination->setObjectName(QStringLiteral("txtDestination"));
    lblDestination->setBuddy(m_txtDestination);
    auto* cmdBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setAutoDefault(false);
    destinationRow->addWidget(m_txtDestination, 1);
    destinationRow->addWidget(cmdBrowse);
    layout->addLayout(destinationRow);

    auto* lblSafety =
        new QLabel(QStringLiteral("Files that the restore replaces are first saved as a new archive beside the one you "
                                  "restore, so the restore can be undone."),
                   this);
    lblSafety->setWordWrap(true);
    layout->addWidget(lblSafety);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cmdRestore = new QPushButton(QStringLiteral("&Restore"), this);
    m_cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    m_cmdRestore->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    buttons->addWidget(m_cmdRestore);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    connect(m_grdArchives, &QTableWidget::itemSelectionChanged, this, &RestoreDialog::UpdateRestoreButton);
    connect(m_grdArchives, &QTableWidget::cellDoubleClicked, this, [this] {
        if (Choice())
            accept();
    });
    connect(m_txtDestination, &QLineEdit::textChanged, this, &RestoreDialog::UpdateRestoreButton);
    connect(cmdBrowse, &QPushButton::clicked, this, &RestoreDialog::OnBrowse);
    connect(m_cmdRestore, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (!m_archives.empty())
        m_grdArchives->selectRow(0);
    UpdateRestoreButton();
    m_grdArchives->setFocus();
    resize(560, 380);
}

std::optional<RestoreChoice> RestoreDialog::Ask(const RestoreRequest& request, QWidget* owner)
{
    RestoreDialog dialog(request, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}

std::optional<RestoreChoice> RestoreDialog::Choice() const
{
    const QList<QTableWidgetSelectionRange> ranges = m_grdArchives->selectedRanges();
    const std::string destination = modDAZadaro::TrimBlanks(m_txtDestination->text().toStdString());
    if (ranges.isEmpty() || destination.empty())
        return std::nullopt;
    return RestoreChoice{m_archives[static_cast<std::size_t>(ranges.front().topRow())].path, destination};
}

void RestoreDialog::UpdateRestoreButton()
{
    m_cmdRestore->setEnabled(Choice().has_value());
}

void RestoreDialog::OnBrowse()
{
    const std::string folder = modDAZadaro::BrowseFolder(this, "Select the folder to restore into");
    if (!folder.empty())
        m_txtDestination->setText(FromUtf8(folder));
}

} // namespace ze6
