// SPDX-License-Identifier: MIT
// Commands on the messages of the list and the states of all commands. The
// list's own commands live in its pane; these are the window's names for them.
#include "app/list_pane.h"
#include "app/main_window.h"

namespace pelmora::app {

void MainWindow::UpdateCommandStates() {
    m_pane->applyCommandStates();
}

void MainWindow::MessageOpen1Click() {
    m_pane->MessageOpen1Click();
}

void MainWindow::MessageEdit1Click() {
    m_pane->MessageEdit1Click();
}

void MainWindow::MessageDelete1Click() {
    m_pane->MessageDelete1Click();
}

void MainWindow::AttachDelete1Click() {
    m_pane->AttachDelete1Click();
}

void MainWindow::SelAll1Click() {
    m_pane->SelAll1Click();
}

void MainWindow::Dupcheck1Click() {
    m_pane->Dupcheck1Click();
}

void MainWindow::ListMessage1Click() {
    m_pane->ListMessage1Click();
}

}  // namespace pelmora::app
