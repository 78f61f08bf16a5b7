// SPDX-License-Identifier: MIT
#include "app/qt_list_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "app/message_list_model.h"
#include "app/qtext.h"

namespace pelmora::app {

namespace {

// Every row as high as a row of Latin and Japanese text together. With
// uniform row heights the view measures the first row only, and a row of
// Latin text is lower than one the Japanese fallback font draws: rows would
// change their height with the row on top.
class UniformRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        QStyleOptionViewItem sample = option;
        sample.features |= QStyleOptionViewItem::HasDisplay;
        sample.text = QStringLiteral(u"Ag 漢字かなカナ");
        const QWidget* widget = option.widget;
        const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        size.setHeight(style->sizeFromContents(QStyle::CT_ItemViewItem, &sample, QSize(), widget).height());
        return size;
    }
};

}  // namespace

MessageListView::MessageListView(QWidget* parent) : QTreeView(parent) {
    setItemDelegate(new UniformRowDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setSortIndicatorShown(false);
}

void MessageListView::keyboardSearch(const QString& search) {
    if (search.isEmpty() || !m_find || !model()) return;
    const bool restart =
        !m_sinceLastKey.isValid() || m_sinceLastKey.elapsed() > QApplication::keyboardInputInterval();
    m_sinceLastKey.start();
    if (restart) m_typed.clear();
    m_typed += search;
    // A new search begins after the focused row; a continued one begins at
    // it, so a row that matched the first letters keeps matching.
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const int start = restart ? current + 1 : std::max(current, 0);
    const int row = m_find(start, m_typed);
    if (row < 0 || row >= model()->rowCount()) return;
    const QModelIndex target = model()->index(row, 0);
    selectionModel()->setCurrentIndex(target,
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

void MessageListView::setPlaceholderText(const QString& text) {
    if (m_placeholder == text) return;
    m_placeholder = text;
    viewport()->update();
}

void MessageListView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (m_placeholder.isEmpty() || (model() != nullptr && model()->rowCount() > 0)) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextSingleLine, m_placeholder);
}

QtListView::QtListView(MessageListView& view, MessageListModel& model, int sortKey)
    : m_view(view), m_model(model), m_sortKey(sortKey) {
    if (m_view.model() != &m_model) m_view.setModel(&m_model);
    m_selectionConnection = QObject::connect(m_view.selectionModel(), &QItemSelectionModel::selectionChanged,
                                             &m_view, [this] { onWidgetSelectionChanged(); });
}

QtListView::~QtListView() {
    QObject::disconnect(m_selectionConnection);
}

void QtListView::onWidgetSelectionChanged() {
    if (m_applying || m_updateDepth > 0) return;
    if (m_selectionChanged) m_selectionChanged();
}

int QtListView::rowCount() const {
    return m_updateDepth > 0 ? m_pendingRows : m_model.rowCount();
}

void QtListView::setRowCount(int rows) {
    rows = std::max(rows, 0);
    beginUpdate();
    m_pendingRows = rows;
    m_pendingSelection.resize(static_cast<std::size_t>(rows), 0);
    endUpdate();
}

std::vector<char> QtListView::widgetSelection() const {
    std::vector<char> selected(static_cast<std::size_t>(m_model.rowCount()), 0);
    for (const QItemSelectionRange& range : m_view.selectionModel()->selection()) {
        const int last = std::min(range.bottom(), m_model.rowCount() - 1);
        for (int row = std::max(range.top(), 0); row <= last; ++row)
            selected[static_cast<std::size_t>(row)] = 1;
    }
    return selected;
}

std::vector<int> QtListView::selectedRows() const {
    const std::vector<char> selected = m_updateDepth > 0 ? m_pendingSelection : widgetSelection();
    std::vector<int> rows;
    for (std::size_t row = 0; row < selected.size(); ++row)
        if (selected[row]) rows.push_back(static_cast<int>(row));
    return rows;
}

int QtListView::selectedCount() const {
    if (m_updateDepth > 0)
        return static_cast<int>(std::count(m_pendingSelection.begin(), m_pendingSelection.end(), 1));
    const std::vector<char> selected = widgetSelection();
    return static_cast<int>(std::count(selected.begin(), selected.end(), 1));
}

bool QtListView::isSelected(int row) const {
    if (row < 0 || row >= rowCount()) return false;
    if (m_updateDepth > 0) return m_pendingSelection[static_cast<std::size_t>(row)] != 0;
    return m_view.selectionModel()->isSelected(m_model.index(row, 0));
}

void QtListView::setSelected(int row, bool selected) {
    if (row < 0 || row >= rowCount()) return;
    if (m_updateDepth > 0) {
        m_pendingSelection[static_cast<std::size_t>(row)] = selected ? 1 : 0;
        m_selectionTouched = true;
        return;
    }
    const QItemSelection range(m_model.index(row, 0), m_model.index(row, m_model.columnCount() - 1));
    m_view.selectionModel()->select(range,
                                    selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void QtListView::clearSelection() {
    beginUpdate();
    std::fill(m_pendingSelection.begin(), m_pendingSelection.end(), 0);
    m_selectionTouched = true;
    endUpdate();
}

void QtListView::selectAll() {
    beginUpdate();
    std::fill(m_pendingSelection.begin(), m_pendingSelection.end(), 1);
    m_selectionTouched = true;
    endUpdate();
}

void QtListView::setFocusRow(int row) {
    if (m_updateDepth > 0) {
        m_pendingFocus = row;
        return;
    }
    const QModelIndex index = row >= 0 && row < m_model.rowCount() ? m_model.index(row, 0) : QModelIndex();
    m_view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void QtListView::scrollIntoView(int row) {
    if (m_updateDepth > 0) {
        m_pendingScroll = row;
        return;
    }
    if (row >= 0 && row < m_model.rowCount())
        m_view.scrollTo(m_model.index(row, 0), QAbstractItemView::EnsureVisible);
}

void QtListView::beginUpdate() {
    if (m_updateDepth++ > 0) return;
    m_pendingRows = m_model.rowCount();
    m_pendingSelection = widgetSelection();
    m_selectionBefore = m_pendingSelection;
    m_selectionTouched = false;
    m_pendingFocus = kFocusUnchanged;
    m_pendingScroll = -1;
    m_view.setUpdatesEnabled(false);
}

void QtListView::applySelection(const std::vector<char>& selected) {
    QItemSelection selection;
    const int lastColumn = m_model.columnCount() - 1;
    std::size_t row = 0;
    while (row < selected.size()) {
        if (!selected[row]) {
            ++row;
            continue;
        }
        const std::size_t first = row;
        while (row < selected.size() && selected[row]) ++row;
        selection.append(QItemSelectionRange(m_model.index(static_cast<int>(first), 0),
                                             m_model.index(static_cast<int>(row - 1), lastColumn)));
    }
    // Clear first, then select into the empty model: the selection model
    // compares the old and the new selection range by range, which takes
    // quadratic time when both hold many ranges (every other row selected).
    QItemSelectionModel* model = m_view.selectionModel();
    model->clearSelection();
    if (!selection.isEmpty()) model->select(selection, QItemSelectionModel::Select);
}

void QtListView::endUpdate() {
    if (m_updateDepth == 0 || --m_updateDepth > 0) return;
    m_applying = true;
    const bool rowsChanged = m_pendingRows != m_model.rowCount();
    m_model.setRows(m_pendingRows);
    m_model.refreshAll();
    std::vector<char> before = std::move(m_selectionBefore);
    before.resize(m_pendingSelection.size(), 0);
    const bool selectionChanged = before != m_pendingSelection;
    if (selectionChanged || m_selectionTouched || rowsChanged) applySelection(m_pendingSelection);
    if (m_pendingFocus != kFocusUnchanged) {
        const int row = m_pendingFocus;
        const QModelIndex index =
            row >= 0 && row < m_model.rowCount() ? m_model.index(row, 0) : QModelIndex();
        m_view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    if (m_pendingScroll >= 0 && m_pendingScroll < m_model.rowCount())
        m_view.scrollTo(m_model.index(m_pendingScroll, 0), QAbstractItemView::EnsureVisible);
    m_view.setUpdatesEnabled(true);
    m_applying = false;
    const bool anySelected =
        std::find(m_pendingSelection.begin(), m_pendingSelection.end(), 1) != m_pendingSelection.end();
    // A list view reports real changes, and a re-selection after a sort
    // (the count it shows may have been overwritten by then).
    if ((selectionChanged || (m_selectionTouched && anySelected)) && m_selectionChanged) m_selectionChanged();
}

int QtListView::columnCount() const {
    return m_model.columnCount();
}

int QtListView::columnKey(int column) const {
    return m_model.columnKey(column);
}

void QtListView::setColumnCaption(int column, const std::string& cp932) {
    m_model.setCaption(column, fromCp932(cp932));
}

void QtListView::redrawRow(int row) {
    m_model.refreshRows(row, row);
}

void QtListView::takeFocus() {
    m_view.setFocus(Qt::OtherFocusReason);
}

}  // namespace pelmora::app
