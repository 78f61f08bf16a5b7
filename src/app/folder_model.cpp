// SPDX-License-Identifier: MIT
#include "app/folder_model.h"

#include <QDirIterator>

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

}  // namespace pelmora::app
