// SPDX-License-Identifier: MIT
// The folders of the folder tree (hidden ones too), with an expand arrow
// only on folders that have subfolders, and the filter that keeps the
// system's own folders out of the root folder's rows.
#pragma once

#include <QFileSystemModel>
#include <QHash>
#include <QSortFilterProxyModel>

namespace pelmora::app {

class FolderModel : public QFileSystemModel {
    Q_OBJECT
public:
    explicit FolderModel(QObject* parent = nullptr);

    // QFileSystemModel says yes for every folder it has not listed yet; this
    // looks for one subfolder first (once per folder, until it changes).
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;

private:
    mutable QHash<QString, bool> m_hasSubfolders;
};

// Leaves out, among the subfolders of the root folder, those on the
// kernel's own file systems (/proc, /sys, /dev, ...) and lost+found: they
// hold no mail. Hidden folders stay.
class FolderFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    // folders becomes the source model; the filter does not own it.
    explicit FolderFilter(FolderModel* folders, QObject* parent = nullptr);

    QString filePath(const QModelIndex& index) const;
    QModelIndex index(const QString& path) const;
    using QSortFilterProxyModel::index;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    FolderModel* m_folders;
    // Path of each subfolder of the root looked at so far: left out or not.
    mutable QHash<QString, bool> m_leftOut;
};

// Whether path, a subfolder of the root folder, is one the tree leaves out.
bool IsSystemFolderOfRoot(const QString& path);

}  // namespace pelmora::app
