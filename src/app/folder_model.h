// SPDX-License-Identifier: MIT
// The folders of the folder tree (hidden ones too), with an expand arrow
// only on folders that have subfolders, and the filter that keeps the
// system's own folders out of the root folder's rows.
#pragma once

#include <QFileSystemModel>
#include <QHash>
#include <QSortFilterProxyModel>
#include <map>
#include <thread>

#include "platform/paths.h"

namespace pelmora::app {

class FolderModel : public QFileSystemModel {
    Q_OBJECT
public:
    explicit FolderModel(QObject* parent = nullptr);
    ~FolderModel() override;

    // QFileSystemModel says yes for every folder it has not listed yet; this
    // looks for one subfolder first (once per folder, until it changes).
    // A mail folder of many thousand files takes long to look through, and
    // every folder shown beside the one the user opens is looked at: a
    // folder's link count answers for most at once, and a large folder it
    // leaves open is looked through on a thread of its own, without an
    // arrow until a subfolder turns up.
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;

private:
    struct Subfolders {
        platform::FolderStamp stamp;
        bool has = false;
    };
    // On the model's thread, from a look through a large folder.
    void looked(const QString& path, const platform::FolderStamp& stamp, bool has);

    mutable QHash<QString, Subfolders> m_hasSubfolders;
    // The looks still running, by folder; stopped and joined with the model.
    mutable std::map<QString, std::jthread> m_looking;
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
