#pragma once

#include "ui/editor/FileGridRow.h"

#include <QAbstractTableModel>
#include <vector>

namespace ze6 {

// The rows of the editor's file grid: a tick box, the description and the
// file name. The header's tick box in column 0 is the "all" box; every new
// row starts with its state.
class FileGridModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TickColumn = 0, DescriptionColumn = 1, FilenameColumn = 2, ColumnCount = 3 };

    explicit FileGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const std::vector<FileGridRow>& Rows() const { return m_rows; }
    // Replaces every data row in one go (one reset, however many rows).
    void SetRows(std::vector<FileGridRow> rows);

    bool HeaderTicked() const { return m_headerTicked; }
    void SetHeaderTicked(bool ticked);
    void SetAllTicked(bool ticked);

Q_SIGNALS:
    // A user change of a tick box; row 0 is the header row, data rows count from 1.
    void CellChanged(int row, int column);

private:
    std::vector<FileGridRow> m_rows;
    bool m_headerTicked = true;
};

} // namespace ze6
