#pragma once

#include <QTreeView>

class QFileSystemModel;
class QTimer;

namespace ze6 {

// The editor's folder tree (lstFolders): every folder of the file system,
// starting at the root, folders only.
class FolderTree final : public QTreeView {
    Q_OBJECT

public:
    explicit FolderTree(QWidget* parent = nullptr);

    // Selects `path` (or, when it is gone, its nearest existing parent), opens
    // the branches down to it and reports the selection, also when the folder
    // was selected already.
    void GoTo(const QString& path);

    // The selected folder's path; "" when nothing is selected.
    QString SelectedPath() const;

Q_SIGNALS:
    void SelectionChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QString ExistingFolderFor(const QString& path) const;
    void FollowSelection();
    void StopFollowing();

    QFileSystemModel* m_model;
    QTimer* m_scrollTimer;
    QTimer* m_followTimer;
};

} // namespace ze6
