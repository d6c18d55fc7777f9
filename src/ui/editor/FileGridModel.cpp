#include "ui/editor/FileGridModel.h"

namespace ze6 {

namespace {

Qt::CheckState ToCheckState(bool ticked)
{
    return ticked ? Qt::Checked : Qt::Unchecked;
}

} // namespace

FileGridModel::FileGridModel(QObject* parent) : QAbstractTableModel(parent)
{
}

int FileGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FileGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FileGridRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case TickColumn:
        if (role == Qt::CheckStateRole)
            return ToCheckState(row.ticked);
        if (role == Qt::TextAlignmentRole)
            return Qt::AlignCenter;
        return {};
    case DescriptionColumn:
        return role == Qt::DisplayRole || role == Qt::ToolTipRole ? QVariant(row.description) : QVariant();
    case FilenameColumn:
        return role == Qt::DisplayRole || role == Qt::ToolTipRole ? QVariant(row.name) : QVariant();
    default:
        return {};
    }
}

bool FileGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != TickColumn || role != Qt::CheckStateRole)
        return false;
    m_rows[static_cast<std::size_t>(index.row())].ticked = value.toInt() == Qt::Checked;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    Q_EMIT CellChanged(index.row() + 1, TickColumn);
    return true;
}

QVariant FileGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::CheckStateRole && section == TickColumn)
        return ToCheckState(m_headerTicked);
    if (role == Qt::ToolTipRole && section == TickColumn)
        return tr("Tick or clear every file (Ctrl+Space)");
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case DescriptionColumn:
        return QStringLiteral("Description");
    case FilenameColumn:
        return QStringLiteral("Filename");
    default:
        return QString();
    }
}

bool FileGridModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (orientation != Qt::Horizontal || section != TickColumn || role != Qt::CheckStateRole)
        return false;
    SetHeaderTicked(value.toInt() == Qt::Checked);
    Q_EMIT CellChanged(0, TickColumn);
    return true;
}

Qt::ItemFlags FileGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == TickColumn)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

void FileGridModel::SetRows(std::vector<FileGridRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void FileGridModel::SetHeaderTicked(bool ticked)
{
    m_headerTicked = ticked;
    Q_EMIT headerDataChanged(Qt::Horizontal, TickColumn, TickColumn);
}

void FileGridModel::SetAllTicked(bool ticked)
{
    if (m_rows.empty())
        return;
    for (FileGridRow& row : m_rows)
        row.ticked = ticked;
    Q_EMIT dataChanged(index(0, TickColumn), index(rowCount() - 1, TickColumn), {Qt::CheckStateRole});
}

} // namespace ze6
