#include "ui/editor/FileGrid.h"

#include "ui/editor/CheckableHeader.h"
#include "ui/editor/FileGridModel.h"

#include <QKeyEvent>

namespace ze6 {

namespace {
// Set-up width of the tick column, in pixels, until the first listing fits it.
constexpr int kTickColumnStartWidth = 8;
} // namespace

FileGrid::FileGrid(QWidget* parent)
    : QTableView(parent), m_model(new FileGridModel(this)), m_header(new CheckableHeader(this))
{
    setHorizontalHeader(m_header);
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    // Rows share one fixed height, so thousands of rows cost no per-row measuring.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_header->setStretchLastSection(true);
    m_header->setMinimumSectionSize(kTickColumnStartWidth);
    m_header->resizeSection(FileGridModel::TickColumn, kTickColumnStartWidth);
}

void FileGrid::SizeColumnsToContents()
{
    resizeColumnToContents(FileGridModel::TickColumn);
    resizeColumnToContents(FileGridModel::DescriptionColumn);
}

void FileGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) {
        if (event->modifiers() & Qt::ControlModifier) {
            m_header->ToggleTick();
        } else if (currentIndex().isValid()) {
            const QModelIndex tick = m_model->index(currentIndex().row(), FileGridModel::TickColumn);
            const bool ticked = tick.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            m_model->setData(tick, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace ze6
