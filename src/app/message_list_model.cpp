// SPDX-License-Identifier: MIT
#include "app/message_list_model.h"

#include "app/icons.h"
#include "app/qtext.h"
#include "catalogue/ordering.h"

namespace pelmora::app {

MessageListModel::MessageListModel(const MsgList& list, std::vector<int> columnKeys, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_columnKeys(std::move(columnKeys)) {
    for (int key : m_columnKeys) m_captions.append(fromCp932(BaseCaption(key)));
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int MessageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columnKeys.size());
}

const TMsgItem* MessageListModel::entryAt(int row) const {
    if (row < 0 || row >= m_rows || static_cast<std::size_t>(row) >= m_list.size()) return nullptr;
    return m_list[static_cast<std::size_t>(row)].get();
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= columnCount()) return {};
    const int key = columnKey(index.column());
    if (role == Qt::TextAlignmentRole) {
        if (key == KeySize) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role == Qt::ToolTipRole) {
        // The folder column shows the last folder name; its hint the whole path.
        const TMsgItem* entry = key == KeyFolder ? entryAt(index.row()) : nullptr;
        if (!entry) return {};
        return fromPath(std::filesystem::path(entry->FolderPath.str()));
    }
    if (role != Qt::DisplayRole && role != Qt::DecorationRole) return {};
    const TMsgItem* entry = entryAt(index.row());
    if (!entry) return {};
    const CellContent cell = CellFor(*entry, key);
    if (role == Qt::DisplayRole) return fromCp932(cell.text);
    if (cell.image < 0) return {};
    return rowIcon(cell.image);
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return m_captions.value(section);
    if (role == Qt::TextAlignmentRole) {
        if (columnKey(section) == KeySize) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags MessageListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void MessageListModel::setCaption(int column, const QString& caption) {
    if (column < 0 || column >= m_captions.size() || m_captions[column] == caption) return;
    m_captions[column] = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void MessageListModel::setRows(int rows) {
    rows = std::max(rows, 0);
    if (rows == m_rows) return;
    if (rows == 0 || m_rows == 0) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    } else {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
}

void MessageListModel::refreshRows(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, m_rows - 1);
    if (first > last) return;
    emit dataChanged(index(first, 0), index(last, columnCount() - 1), {Qt::DisplayRole, Qt::DecorationRole});
}

void MessageListModel::refreshAll() {
    refreshRows(0, m_rows - 1);
}

}  // namespace pelmora::app
