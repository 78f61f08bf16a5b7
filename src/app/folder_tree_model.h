// SPDX-License-Identifier: MIT
// The folder tree's rows: the user's home folder first, then the whole file
// system from its root. Each top row has its own FolderModel, seen through
// a FolderFilter (the system's own folders of the root left out), so a
// folder under home has one row in each branch and every row maps to
// exactly one filter row; the program picks the home branch for such folders.
#pragma once

#include <QAbstractItemModel>
#include <QPersistentModelIndex>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace pelmora::app {

class FolderFilter;
class FolderModel;

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // home: the user's home folder (absolute); it is the first top row.
    explicit FolderTreeModel(const QString& home, QObject* parent = nullptr);
    ~FolderTreeModel() override;

    // The row of path, in the home branch when path is home or below it.
    QModelIndex indexOf(const QString& path) const;
    QString filePath(const QModelIndex& index) const;
    QModelIndex homeRow() const { return createIndex(Home, 0, nullptr); }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    enum Branch { Home = 0, Root = 1, BranchCount = 2 };
    // The filter row whose children a row of this model stands for.
    struct Parent {
        int branch;
        QPersistentModelIndex source;
    };

    void watch(int branch);
    std::pair<int, QModelIndex> toSource(const QModelIndex& index) const;
    QModelIndex fromSource(int branch, const QModelIndex& source) const;
    // True when source is the branch's top folder or lies below it.
    bool inBranch(int branch, const QModelIndex& source) const;
    Parent* parentFor(int branch, const QModelIndex& source) const;

    QString m_tops[BranchCount];
    FolderModel* m_folders[BranchCount] = {};
    // What each branch shows of its folder model; "source" below means a
    // row of it.
    FolderFilter* m_sources[BranchCount] = {};
    QPersistentModelIndex m_topRows[BranchCount];
    // Keyed by the folder model's own row identity, which survives sorting
    // (the filter's rows of one folder share theirs).
    mutable std::map<std::pair<int, const void*>, std::unique_ptr<Parent>> m_parents;
    // Rows the views hold across a re-sort, with their folder model rows.
    std::vector<std::pair<int, QPersistentModelIndex>> m_layoutSources;
    QModelIndexList m_layoutRows;
};

}  // namespace pelmora::app
