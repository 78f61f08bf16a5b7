// SPDX-License-Identifier: MIT
#include "app/folder_tree_view.h"

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

}  // namespace

void FolderTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (m_userActing && current.isValid()) emit folderChosen(current);
}

void FolderTreeView::keyPressEvent(QKeyEvent* event) {
    asUser(m_userActing, [&] { QTreeView::keyPressEvent(event); });
}

void FolderTreeView::mousePressEvent(QMouseEvent* event) {
    asUser(m_userActing, [&] { QTreeView::mousePressEvent(event); });
}

void FolderTreeView::mouseMoveEvent(QMouseEvent* event) {
    asUser(m_userActing, [&] { QTreeView::mouseMoveEvent(event); });
}

void FolderTreeView::mouseReleaseEvent(QMouseEvent* event) {
    asUser(m_userActing, [&] { QTreeView::mouseReleaseEvent(event); });
}

void FolderTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    asUser(m_userActing, [&] { QTreeView::mouseDoubleClickEvent(event); });
}

}  // namespace pelmora::app
