// SPDX-License-Identifier: MIT
#include "app/message_list_model.h"

#include "app/icons.h"
#include "app/qtext.h"
#include "app/window_texts.h"
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
        const TMsgItem* entry = entryAt(index.row());
        if (!entry) return {};
        // The folder column shows the last folder name; its hint the whole path.
        if (key == KeyFolder) return fromPath(std::filesystem::path(entry->FolderPath.str()));
        if (entry->DupGroup > 0) return duplicateHint(*entry);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::DecorationRole) return {};
    const TMsgItem* entry = entryAt(index.row());
    if (!entry) return {};
    const CellContent cell = CellFor(*entry, key);
    if (role == Qt::DisplayRole) {
        if (key == KeyFolder && m_folderColumnAdded) return relativeFolder(*entry);
        return fromCp932(cell.text);
    }
    if (cell.image < 0) return {};
    // The copy a duplicate check keeps wears its own mark instead.
    if (key == KeySender && entry->DupKept) return rowIcon(kKeptMarkIcon);
    return rowIcon(cell.image);
}

QString MessageListModel::duplicateHint(const TMsgItem& entry) const {
    // The group's rows in their present order; a tool tip is rare enough
    // for one pass over the list.
    int copies = 0;
    int keptRow = -1;
    for (int row = 0; row < m_rows && static_cast<std::size_t>(row) < m_list.size(); ++row) {
        const TMsgItem& other = *m_list[static_cast<std::size_t>(row)];
        if (other.DupGroup != entry.DupGroup) continue;
        ++copies;
        if (other.DupKept && keptRow < 0) keptRow = row;
    }
    if (entry.DupKept) return window_text::kDuplicateKeptTip.arg(copies);
    if (keptRow < 0) return window_text::kDuplicateKeeperHiddenTip;
    const TMsgItem& kept = *m_list[static_cast<std::size_t>(keptRow)];
    return window_text::kDuplicateOfRowTip.arg(keptRow + 1)
        .arg(fromCp932(kept.RecvDateText))
        .arg(fromPath(std::filesystem::path(kept.FileName)));
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

void MessageListModel::setFolderColumn(bool shown, const std::filesystem::path& base) {
    const std::string folder = base.native();
    if (shown && !m_folderColumnAdded) {
        const int column = columnCount();
        beginInsertColumns({}, column, column);
        m_columnKeys.push_back(KeyFolder);
        m_captions.append(fromCp932(BaseCaption(KeyFolder)));
        m_folderColumnAdded = true;
        m_folderBase = folder;
        endInsertColumns();
    } else if (!shown && m_folderColumnAdded) {
        const int column = columnCount() - 1;
        beginRemoveColumns({}, column, column);
        m_columnKeys.pop_back();
        m_captions.removeLast();
        m_folderColumnAdded = false;
        endRemoveColumns();
    } else if (shown && folder != m_folderBase) {
        m_folderBase = folder;
        if (m_rows > 0) emit dataChanged(index(0, columnCount() - 1), index(m_rows - 1, columnCount() - 1));
    }
}

QString MessageListModel::relativeFolder(const TMsgItem& entry) const {
    const std::string& folder = entry.FolderPath;
    std::string_view base = m_folderBase;
    while (base.size() > 1 && base.ends_with('/')) base.remove_suffix(1);
    if (folder == base) return QStringLiteral(".");
    if (folder.starts_with(base) && folder.size() > base.size() &&
        (base.ends_with('/') || folder[base.size()] == '/')) {
        const std::size_t from = base.ends_with('/') ? base.size() : base.size() + 1;
        return fromPath(std::filesystem::path(folder.substr(from)));
    }
    // Reached through a link from outside the tree: the whole path.
    return fromPath(std::filesystem::path(folder));
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
