#pragma once

#include <QTreeView>

class QFileSystemModel;

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

private:
    QString ExistingFolderFor(const QString& path) const;
    void ScrollWhenLoaded(const QString& loadedFolder);

    QFileSystemModel* m_model;
    QString m_scrollPendingFor;
};

}  // namespace ze6
