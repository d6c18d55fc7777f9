#include "ui/editor/FolderTree.h"

#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTimer>

namespace ze6 {

namespace {
// How long after a go-to the tree keeps the selected folder in view while the
// branches above it are still being listed.
constexpr int kFollowMilliseconds = 3000;
} // namespace

FolderTree::FolderTree(QWidget* parent)
    : QTreeView(parent), m_model(new QFileSystemModel(this)), m_scrollTimer(new QTimer(this)),
      m_followTimer(new QTimer(this))
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

    // Folders are listed in the background, so rows keep arriving above the
    // selected folder after a go-to and push it out of view; until the user
    // takes over, each arrival scrolls it back (coalesced into one scroll).
    m_scrollTimer->setSingleShot(true);
    m_scrollTimer->setInterval(0);
    connect(m_scrollTimer, &QTimer::timeout, this,
            [this] { scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter); });
    m_followTimer->setSingleShot(true);
    m_followTimer->setInterval(kFollowMilliseconds);
    connect(m_followTimer, &QTimer::timeout, this, &FolderTree::StopFollowing);
    connect(m_model, &QFileSystemModel::directoryLoaded, this, &FolderTree::FollowSelection);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &FolderTree::FollowSelection);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &FolderTree::FollowSelection);
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
    if (target == currentIndex()) {
        Q_EMIT SelectionChanged();
    } else {
        setCurrentIndex(target);
    }
    scrollTo(target, QAbstractItemView::PositionAtCenter);
    m_followTimer->start();
}

QString FolderTree::SelectedPath() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? m_model->filePath(current) : QString();
}

void FolderTree::FollowSelection()
{
    if (m_followTimer->isActive())
        m_scrollTimer->start();
}

void FolderTree::StopFollowing()
{
    m_followTimer->stop();
    m_scrollTimer->stop();
}

void FolderTree::mousePressEvent(QMouseEvent* event)
{
    StopFollowing();
    QTreeView::mousePressEvent(event);
}

void FolderTree::keyPressEvent(QKeyEvent* event)
{
    StopFollowing();
    QTreeView::keyPressEvent(event);
}

void FolderTree::wheelEvent(QWheelEvent* event)
{
    StopFollowing();
    QTreeView::wheelEvent(event);
}

} // namespace ze6
