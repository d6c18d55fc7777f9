#pragma once

#include <QTableView>

namespace ze6 {

class CheckableHeader;
class FileGridModel;

// The editor's file grid (grdfiles): one row per data file, with a tick box,
// the description and the name. Space ticks or clears the current row,
// Ctrl+Space the header's "all" box; nothing else is editable.
class FileGrid final : public QTableView {
    Q_OBJECT

public:
    explicit FileGrid(QWidget* parent = nullptr);

    FileGridModel& Model() const { return *m_model; }
    CheckableHeader& Header() const { return *m_header; }

    // Fits the tick and description columns to what they hold.
    void SizeColumnsToContents();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    FileGridModel* m_model;
    CheckableHeader* m_header;
};

} // namespace ze6
