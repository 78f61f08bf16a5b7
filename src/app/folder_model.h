// SPDX-License-Identifier: MIT
// The folders of the folder tree (hidden ones too), with an expand arrow
// only on folders that have subfolders.
#pragma once

#include <QFileSystemModel>
#include <QHash>

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

}  // namespace pelmora::app
