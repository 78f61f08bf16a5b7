// SPDX-License-Identifier: MIT
// Commands on the messages of the list and the states of all commands.
#include <QAction>
#include <QMenu>

#include "app/main_window.h"
#include "app/main_window_caption.h"
#include "app/qt_list_view.h"
#include "app/qt_ports.h"
#include "app/qtext.h"
#include "catalogue/duplicates.h"
#include "operations/attach_delete.h"
#include "operations/export_csv.h"
#include "operations/open_edit.h"
#include "operations/recycle.h"
#include "platform/xdg.h"

namespace pelmora::app {

void MainWindow::UpdateCommandStates() {
    const Actions& a = m_actions;
    if (m_loading) {
        // The list is being rebuilt: nothing may act on it meanwhile.
        for (QAction* action : {a.AMessageOpen1, a.AMessageEDit1, a.AMessageDelete1, a.AAttachDelete1, a.ASelAll1,
                                a.ADupCheck1, a.AListMessage1})
            action->setEnabled(false);
        return;
    }
    const int rows = m_listPort->rowCount();
    const std::vector<int> selected = m_listPort->selectedRows();
    const int count = static_cast<int>(selected.size());
    a.AMessageOpen1->setEnabled(count == 1);
    a.AMessageEDit1->setEnabled(count == 1 && !m_settings.EditorName.empty());
    a.AMessageDelete1->setEnabled(count > 0);
    bool attachment = false;
    for (int row : selected) {
        if (row >= 0 && static_cast<std::size_t>(row) < m_list.size() && m_list[static_cast<std::size_t>(row)]->HasAttach) {
            attachment = true;
            break;
        }
    }
    a.AAttachDelete1->setEnabled(attachment);
    a.ASelAll1->setEnabled(rows > 0);
    a.ADupCheck1->setEnabled(rows > 1);
    a.AListMessage1->setEnabled(rows > 0);
}

void MainWindow::showPopupMenu1(const QPoint& position) {
    m_popupMenu1->popup(m_lv1->viewport()->mapToGlobal(position));
}

void MainWindow::MessageOpen1Click() {
    if (m_loading) return;
    ProcMessageOpen1Click(*m_listPort, m_list, *m_prompts, *m_shell);
}

void MainWindow::MessageEdit1Click() {
    if (m_loading) return;
    ProcMessageEdit1Click(*m_listPort, m_list, *m_prompts, *m_shell, m_settings.EditorName);
}

void MainWindow::MessageDelete1Click() {
    if (m_loading) return;
    ProcMessageDelete1Click(*m_listPort, *m_statusPort, m_list, *m_prompts, *m_shell);
    UpdateCommandStates();
}

void MainWindow::AttachDelete1Click() {
    if (m_loading) return;
    ProcAttachDelete1Click(*m_listPort, *m_statusPort, m_list, *m_prompts, *m_progress, *m_shell);
    UpdateCommandStates();
}

void MainWindow::SelAll1Click() {
    if (m_loading) return;
    // ProcSelAll1Click: one selection change, whatever the number of rows.
    ui::BusyScope busy(*m_busyCursor);
    m_listPort->selectAll();
}

void MainWindow::Dupcheck1Click() {
    if (m_loading) return;
    DupcheckPorts ports{*m_listPort, *m_statusPort, *m_busyCursor, m_prompts.get(), [this] {
                            m_label1->setText(fromPath(m_settings.emlDir) + fromCp932(DuplicateCaptionSuffix()));
                        }};
    ProcDupcheck1Click(false, ports, m_list);
    UpdateCommandStates();
}

void MainWindow::ListMessage1Click() {
    if (m_loading) return;
    // Without a remembered folder the dialog opens in the documents folder,
    // not in the hidden settings folder.
    ProcListMessage1Click(m_settings.emlDir, *m_listPort, m_list, *m_prompts, *m_shell, m_settings.MsgListDir,
                          platform::XdgDocumentsFolder());
}

}  // namespace pelmora::app
