// SPDX-License-Identifier: MIT
// The table model behind a message list view. It stores no texts: the row
// count is what the core last set (the list may briefly hold more or fewer
// entries, e.g. while a folder loads), and every cell is asked of CellFor
// when the view draws it, so a list of 100,000 messages opens at once.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "message/msg_item.h"

namespace pelmora::app {

class MessageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // columnKeys: the sort key of each column, left to right.
    MessageListModel(const MsgList& list, std::vector<int> columnKeys, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int columnKey(int column) const { return m_columnKeys.at(static_cast<std::size_t>(column)); }
    const std::vector<int>& columnKeys() const { return m_columnKeys; }
    void setCaption(int column, const QString& caption);
    // Adds the folder column at the right, its cells each message's folder
    // relative to base ("." for base itself), or takes it away again.
    void setFolderColumn(bool shown, const std::filesystem::path& base);
    QString caption(int column) const { return m_captions.value(column); }

    // The virtual row count. Rows that stay keep their selection; growing
    // from or shrinking to nothing resets the model, which is much cheaper
    // for the view than inserting or removing 100,000 rows.
    void setRows(int rows);
    // The entries behind the rows changed (sorted, removed, rewritten).
    void refreshRows(int first, int last);
    void refreshAll();

private:
    const TMsgItem* entryAt(int row) const;
    // The hint of a row in a duplicate group: "残す" for the copy kept,
    // else the row and file of the copy it duplicates.
    QString duplicateHint(const TMsgItem& entry) const;
    QString relativeFolder(const TMsgItem& entry) const;

    const MsgList& m_list;
    std::vector<int> m_columnKeys;
    QList<QString> m_captions;
    bool m_folderColumnAdded = false;
    std::string m_folderBase;  // native bytes
    int m_rows = 0;
};

}  // namespace pelmora::app
