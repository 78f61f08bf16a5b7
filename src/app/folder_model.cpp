// SPDX-License-Identifier: MIT
#include "app/folder_model.h"

#include <unistd.h>

#include <QDirIterator>
#include <QFile>

#include "platform/paths.h"

namespace pelmora::app {

FolderModel::FolderModel(QObject* parent) : QFileSystemModel(parent) {
    // Folders only, hidden ones too: mail often lives in dot-folders.
    setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    setReadOnly(true);
    // A folder that gains or loses subfolders is looked at again.
    auto forget = [this](const QModelIndex& folder) { m_hasSubfolders.remove(filePath(folder)); };
    connect(this, &QAbstractItemModel::rowsInserted, this, forget);
    connect(this, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(this, &QFileSystemModel::directoryLoaded, this,
            [this](const QString& path) { m_hasSubfolders.remove(path); });
}

bool FolderModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid() || !QFileSystemModel::hasChildren(parent))
        return QFileSystemModel::hasChildren(parent);
    // Listed already: its rows say.
    if (!canFetchMore(parent) && rowCount(parent) > 0) return true;
    const QString path = filePath(parent);
    if (auto known = m_hasSubfolders.constFind(path); known != m_hasSubfolders.constEnd()) return *known;
    QDirIterator subfolders(path, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    const bool has = subfolders.hasNext();
    m_hasSubfolders.insert(path, has);
    return has;
}

bool IsSystemFolderOfRoot(const QString& path) {
    if (path == QStringLiteral("/lost+found")) return true;
    // Only passed through, never listed: opening /proc or /sys this way
    // costs nothing.
    const int folder =
        platform::OpenFolder(QFile::encodeName(path).toStdString(), platform::FolderAccess::Anchor);
    if (folder < 0) return false;
    const bool system = platform::IsPseudoFileSystem(folder);
    ::close(folder);
    return system;
}

FolderFilter::FolderFilter(FolderModel* folders, QObject* parent)
    : QSortFilterProxyModel(parent), m_folders(folders) {
    setSourceModel(folders);
}

QString FolderFilter::filePath(const QModelIndex& index) const {
    return m_folders->filePath(mapToSource(index));
}

QModelIndex FolderFilter::index(const QString& path) const {
    return mapFromSource(m_folders->index(path));
}

bool FolderFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    // The root folder is the folder model's only top row; only its own
    // subfolders are looked at.
    if (!sourceParent.isValid() || sourceParent.parent().isValid()) return true;
    const QString path = m_folders->filePath(m_folders->index(sourceRow, 0, sourceParent));
    auto known = m_leftOut.constFind(path);
    if (known == m_leftOut.constEnd()) known = m_leftOut.insert(path, IsSystemFolderOfRoot(path));
    return !*known;
}

}  // namespace pelmora::app
