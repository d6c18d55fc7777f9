#include "ui/editor/FolderTree.h"

#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>

namespace ze6 {

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent), m_model(new QFileSystemModel(this))
{
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setReadOnly(true);
    m_model->setRootPath(QDir::rootPath());
    setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    sortByColumn(0, Qt::AscendingOrder);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &FolderTree::SelectionChanged);
    // Branches fill in the background; once the folder that holds the selected
    // one is listed, the selection can be scrolled into view for real.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, &FolderTree::ScrollWhenLoaded);
}

QString FolderTree::ExistingFolderFor(const QString& path) const
{
    QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    // Names are matched without regard to case, so a stored path may be spelled
    // differently from the folder on disk.
    if (const auto onDisk = FileSystem::ResolvePath(folder.toStdString()))
        folder = QDir::cleanPath(QString::fromStdString(*onDisk));
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot())
        folder = QFileInfo(folder).path();
    return folder;
}

void FolderTree::GoTo(const QString& path)
{
    const QString folder = ExistingFolderFor(path);
    const QModelIndex target = m_model->index(folder);
    for (QModelIndex branch = target.parent(); branch.isValid(); branch = branch.parent())
        expand(branch);
    expand(target);
    m_scrollPendingFor = QFileInfo(folder).path();
    if (target == currentIndex()) {
        Q_EMIT SelectionChanged();
    } else {
        setCurrentIndex(target);
    }
    scrollTo(target);
}

QString FolderTree::SelectedPath() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? m_model->filePath(current) : QString();
}

void FolderTree::ScrollWhenLoaded(const QString& loadedFolder)
{
    if (m_scrollPendingFor.isEmpty() || QDir::cleanPath(loadedFolder) != QDir::cleanPath(m_scrollPendingFor))
        return;
    m_scrollPendingFor.clear();
    scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
}

}  // namespace ze6
