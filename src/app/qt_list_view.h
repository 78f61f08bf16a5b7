// SPDX-License-Identifier: MIT
// A message list on screen: MessageListView is the widget (a report-style
// list with whole-row, multi-row selection and type-ahead), QtListView the
// list-view port the core drives it through.
#pragma once

#include <QElapsedTimer>
#include <QTreeView>
#include <functional>
#include <vector>

#include "ports/list_view.h"

namespace pelmora::app {

class MessageListModel;

class MessageListView : public QTreeView {
    Q_OBJECT
public:
    explicit MessageListView(QWidget* parent = nullptr);

    // Type-ahead: given the row to start at and the text typed so far,
    // the row to go to, or -1.
    using FindHandler = std::function<int(int start, const QString& text)>;
    void setFindHandler(FindHandler handler) { m_find = std::move(handler); }

    void keyboardSearch(const QString& search) override;

    // One line centred in the list while it has no rows; empty for none.
    void setPlaceholderText(const QString& text);
    const QString& placeholderText() const { return m_placeholder; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FindHandler m_find;
    QString m_placeholder;
    QString m_typed;
    QElapsedTimer m_sinceLastKey;
};

class QtListView final : public ports::ListView {
public:
    QtListView(MessageListView& view, MessageListModel& model, int sortKey);
    ~QtListView() override;
    QtListView(const QtListView&) = delete;
    QtListView& operator=(const QtListView&) = delete;

    // Called after every change of the selection, whether the user or the
    // core made it; changes made while redrawing is suspended are reported
    // once, when it resumes.
    void setSelectionChangedHandler(std::function<void()> handler) {
        m_selectionChanged = std::move(handler);
    }

    int rowCount() const override;
    void setRowCount(int rows) override;
    std::vector<int> selectedRows() const override;
    int selectedCount() const override;
    bool isSelected(int row) const override;
    void setSelected(int row, bool selected) override;
    void clearSelection() override;
    void selectAll() override;
    void setFocusRow(int row) override;
    void scrollIntoView(int row) override;
    void beginUpdate() override;
    void endUpdate() override;
    int columnCount() const override;
    int columnKey(int column) const override;
    void setColumnCaption(int column, const std::string& cp932) override;
    int sortKey() const override { return m_sortKey; }
    void setSortKey(int key) override { m_sortKey = key; }
    void redrawRow(int row) override;
    void takeFocus() override;

    MessageListView& widget() { return m_view; }
    MessageListModel& model() { return m_model; }

private:
    static constexpr int kFocusUnchanged = -2;

    std::vector<char> widgetSelection() const;
    void applySelection(const std::vector<char>& selected);
    void onWidgetSelectionChanged();

    MessageListView& m_view;
    MessageListModel& m_model;
    int m_sortKey;
    std::function<void()> m_selectionChanged;

    // While redrawing is suspended the row count, the selection, the focus
    // and the scroll target are kept here and reach the widget once when it
    // resumes: selecting 100,000 rows one by one in the widget's selection
    // model would take quadratic time.
    int m_updateDepth = 0;
    int m_pendingRows = 0;
    std::vector<char> m_pendingSelection;
    std::vector<char> m_selectionBefore;
    bool m_selectionTouched = false;
    int m_pendingFocus = kFocusUnchanged;
    int m_pendingScroll = -1;
    bool m_applying = false;
    QMetaObject::Connection m_selectionConnection;
};

}  // namespace pelmora::app
