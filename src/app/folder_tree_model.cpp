// SPDX-License-Identifier: MIT
#include "app/folder_tree_model.h"

#include <QDir>

#include "app/folder_model.h"

namespace pelmora::app {

FolderTreeModel::FolderTreeModel(const QString& home, QObject* parent) : QAbstractItemModel(parent) {
    m_tops[Home] = QDir::cleanPath(home);
    m_tops[Root] = QStringLiteral("/");
    for (int branch = 0; branch < BranchCount; ++branch) {
        m_folders[branch] = new FolderModel(this);
        m_folders[branch]->setRootPath(m_tops[branch]);
        m_sources[branch] = new FolderFilter(m_folders[branch], this);
        m_topRows[branch] = m_sources[branch]->index(m_tops[branch]);
        watch(branch);
    }
}

FolderTreeModel::~FolderTreeModel() = default;

void FolderTreeModel::watch(int branch) {
    FolderFilter* source = m_sources[branch];
    connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this, branch](const QModelIndex& parent, int first, int last) {
                if (inBranch(branch, parent)) beginInsertRows(fromSource(branch, parent), first, last);
            });
    connect(source, &QAbstractItemModel::rowsInserted, this, [this, branch](const QModelIndex& parent) {
        if (inBranch(branch, parent)) endInsertRows();
    });
    connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this, branch](const QModelIndex& parent, int first, int last) {
                if (inBranch(branch, parent)) beginRemoveRows(fromSource(branch, parent), first, last);
            });
    connect(source, &QAbstractItemModel::rowsRemoved, this, [this, branch](const QModelIndex& parent) {
        if (inBranch(branch, parent)) endRemoveRows();
    });
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this, branch](const QModelIndex& first, const QModelIndex& last, const QList<int>& roles) {
                if (first.column() > 0) return;
                const QModelIndex top = fromSource(branch, first);
                if (!top.isValid()) return;
                // A range that runs past the branch's top row ends at it.
                const QModelIndex bottom = fromSource(branch, last);
                emit dataChanged(top, bottom.isValid() ? bottom : top, roles);
            });
    // A re-sort moves rows within their folders: the rows the views hold
    // follow their folders.
    connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] {
        emit layoutAboutToBeChanged();
        m_layoutRows = persistentIndexList();
        m_layoutSources.clear();
        for (const QModelIndex& row : std::as_const(m_layoutRows)) {
            auto [rowBranch, rowSource] = toSource(row);
            m_layoutSources.emplace_back(rowBranch, rowSource);
        }
    });
    connect(source, &QAbstractItemModel::layoutChanged, this, [this] {
        QModelIndexList moved;
        for (const auto& [rowBranch, rowSource] : m_layoutSources)
            moved.append(fromSource(rowBranch, rowSource));
        changePersistentIndexList(m_layoutRows, moved);
        m_layoutRows.clear();
        m_layoutSources.clear();
        emit layoutChanged();
    });
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, &FolderTreeModel::beginResetModel);
    connect(source, &QAbstractItemModel::modelReset, this, [this, branch] {
        m_topRows[branch] = m_sources[branch]->index(m_tops[branch]);
        m_parents.clear();
        endResetModel();
    });
}

bool FolderTreeModel::inBranch(int branch, const QModelIndex& source) const {
    for (QModelIndex at = source.siblingAtColumn(0); at.isValid(); at = at.parent())
        if (m_topRows[branch] == at) return true;
    return false;
}

FolderTreeModel::Parent* FolderTreeModel::parentFor(int branch, const QModelIndex& source) const {
    const QModelIndex row = source.siblingAtColumn(0);
    const void* identity = m_sources[branch]->mapToSource(row).internalPointer();
    std::unique_ptr<Parent>& known = m_parents[{branch, identity}];
    // Rows of this model may still point at an entry whose folder went away;
    // the entry is reused, never freed, for as long as the model lives.
    if (!known) known = std::make_unique<Parent>(Parent{branch, row});
    known->source = row;
    return known.get();
}

std::pair<int, QModelIndex> FolderTreeModel::toSource(const QModelIndex& index) const {
    if (!index.isValid()) return {Home, {}};
    if (index.internalPointer() == nullptr) {
        if (index.row() >= BranchCount) return {Home, {}};
        return {index.row(), QModelIndex(m_topRows[index.row()])};
    }
    const auto* parent = static_cast<const Parent*>(index.internalPointer());
    if (!parent->source.isValid()) return {parent->branch, {}};
    return {parent->branch, m_sources[parent->branch]->index(index.row(), 0, parent->source)};
}

QModelIndex FolderTreeModel::fromSource(int branch, const QModelIndex& source) const {
    if (!source.isValid()) return {};
    const QModelIndex row = source.siblingAtColumn(0);
    if (m_topRows[branch] == row) return createIndex(branch, 0, nullptr);
    if (!inBranch(branch, row.parent())) return {};
    return createIndex(row.row(), 0, parentFor(branch, row.parent()));
}

QModelIndex FolderTreeModel::indexOf(const QString& path) const {
    const QString clean = QDir::cleanPath(path);
    const QString& home = m_tops[Home];
    const bool underHome =
        home != m_tops[Root] && (clean == home || clean.startsWith(home + QLatin1Char('/')));
    const int branch = underHome ? Home : Root;
    return fromSource(branch, m_sources[branch]->index(clean));
}

QString FolderTreeModel::filePath(const QModelIndex& index) const {
    const auto [branch, source] = toSource(index);
    return source.isValid() ? m_sources[branch]->filePath(source) : QString();
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0) return {};
    if (!parent.isValid()) return row < BranchCount ? createIndex(row, 0, nullptr) : QModelIndex();
    const auto [branch, source] = toSource(parent);
    if (!source.isValid() || row >= m_sources[branch]->rowCount(source)) return {};
    return createIndex(row, 0, parentFor(branch, source));
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalPointer() == nullptr) return {};
    const auto* parent = static_cast<const Parent*>(child.internalPointer());
    return fromSource(parent->branch, parent->source);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return BranchCount;
    const auto [branch, source] = toSource(parent);
    return source.isValid() ? m_sources[branch]->rowCount(source) : 0;
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return true;
    const auto [branch, source] = toSource(parent);
    return source.isValid() && m_sources[branch]->hasChildren(source);
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    const auto [branch, source] = toSource(parent);
    return source.isValid() && m_sources[branch]->canFetchMore(source);
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    const auto [branch, source] = toSource(parent);
    if (source.isValid()) m_sources[branch]->fetchMore(source);
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    const auto [branch, source] = toSource(index);
    if (!source.isValid()) return {};
    // The home row says whose folder it is by its full path, as the root row does.
    if (role == Qt::DisplayRole && index.internalPointer() == nullptr) return m_tops[branch];
    return m_sources[branch]->data(source, role);
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
    const auto [branch, source] = toSource(index);
    return source.isValid() ? m_sources[branch]->flags(source) : Qt::NoItemFlags;
}

}  // namespace pelmora::app
