// SPDX-License-Identifier: MIT
// The main window's list of a whole folder tree: the current folder with
// all its subfolders, as the search's subfolder option scans them.
#include <cstdlib>

#include "app/list_pane.h"
#include "app/main_window.h"
#include "app/message_list_model.h"
#include "app/qt_list_view.h"
#include "app/qtext.h"
#include "app/window_texts.h"
#include "catalogue/load.h"
#include "message/column_keys.h"

namespace pelmora::app {

QString MainWindow::folderCaption() const {
    QString text = fromPath(m_settings.emlDir);
    if (m_settings.ListSubFolders) text += window_text::kWithSubfoldersSuffix;
    return text;
}

void MainWindow::showFolderColumn() {
    m_pane->model()->setFolderColumn(m_settings.ListSubFolders, m_settings.emlDir);
}

void MainWindow::IncludeSubfolders1Click() {
    // A command holds the list: the switch stays as it was. A load gives
    // way to the new one.
    if (m_busy.busy() && m_busy.task() != BusyGuard::Task::Load) {
        m_actions.AIncludeSubfolders1->setChecked(m_settings.ListSubFolders);
        return;
    }
    m_settings.ListSubFolders = m_actions.AIncludeSubfolders1->isChecked();
    // A list sorted by the folder column that goes is sorted as a load sorts.
    if (!m_settings.ListSubFolders && std::abs(m_pane->listPort().sortKey()) == KeyFolder)
        m_pane->listPort().setSortKey(KeyReceived);
    showFolderColumn();
    if (!m_settings.emlDir.empty()) LoadFolder();
}

}  // namespace pelmora::app
