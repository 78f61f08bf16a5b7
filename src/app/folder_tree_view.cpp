// SPDX-License-Identifier: MIT
#include "app/folder_tree_view.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <algorithm>
#include <utility>

namespace pelmora::app {

namespace {

// Marks the input being handled as the user's for the duration of the call.
template <class Handle>
void asUser(bool& flag, Handle&& handle) {
    const bool before = std::exchange(flag, true);
    std::forward<Handle>(handle)();
    flag = before;
}

// A right click asks for the menu of the folder under the mouse: it
// neither chooses that folder nor moves the current row.
bool isMenuClick(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) return false;
    event->accept();
    return true;
}

}  // namespace

FolderTreeView::FolderTreeView(QWidget* parent) : QTreeView(parent) {
    // Nested folders keep their whole names: the column is as wide as the
    // rows it shows, at least as wide as the tree, and scrolls sideways.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
}

int FolderTreeView::sizeHintForColumn(int column) const {
    return std::max(QTreeView::sizeHintForColumn(column), viewport()->width());
}

void FolderTreeView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    header()->resizeSections(QHeaderView::ResizeToContents);
}

void FolderTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (m_userActing && current.isValid()) emit folderChosen(current);
}

void FolderTreeView::keyPressEvent(QKeyEvent* event) {
    asUser(m_userActing, [&] { QTreeView::keyPressEvent(event); });
}

void FolderTreeView::mousePressEvent(QMouseEvent* event) {
    if (isMenuClick(event)) return;
    asUser(m_userActing, [&] { QTreeView::mousePressEvent(event); });
}

void FolderTreeView::mouseMoveEvent(QMouseEvent* event) {
    asUser(m_userActing, [&] { QTreeView::mouseMoveEvent(event); });
}

void FolderTreeView::mouseReleaseEvent(QMouseEvent* event) {
    if (isMenuClick(event)) return;
    asUser(m_userActing, [&] { QTreeView::mouseReleaseEvent(event); });
}

void FolderTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (isMenuClick(event)) return;
    asUser(m_userActing, [&] { QTreeView::mouseDoubleClickEvent(event); });
}

}  // namespace pelmora::app
