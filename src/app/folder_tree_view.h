// SPDX-License-Identifier: MIT
// STV1, the folder tree. It tells a folder the user chose (click, keys)
// apart from the moves its model makes on its own: a watched folder that is
// removed takes the current row with it, and the view then makes a sibling
// or the parent current. Only the user's choice may load a folder. Its one
// column is as wide as the names it shows, so long nested names scroll
// sideways instead of shrinking to "…".
#pragma once

#include <QTreeView>

namespace pelmora::app {

class FolderTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit FolderTreeView(QWidget* parent = nullptr);

signals:
    // The user made index the current row.
    void folderChosen(const QModelIndex& index);

protected:
    int sizeHintForColumn(int column) const override;
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // True while the view handles the user's key or mouse input.
    bool m_userActing = false;
};

}  // namespace pelmora::app
