// SPDX-License-Identifier: MIT
// The tools and help commands: options, hints, about.
#include "app/main_window_options.h"

#include <QAction>
#include <QEvent>

#include "app/about_dialog.h"
#include "app/main_window.h"
#include "app/options_dialog.h"

namespace pelmora::app {

bool HintSwitch::eventFilter(QObject* watched, QEvent* event) {
    if (!m_enabled && event->type() == QEvent::ToolTip) return true;
    return QObject::eventFilter(watched, event);
}

void MainWindow::Option1Click() {
    if (m_busy.busy()) return;
    OptionsDialog& dialog = optionsDialog();
    dialog.setConvDisplayName(m_settings.ConvDisplayName);
    dialog.setEditorName(m_settings.EditorName);
    dialog.setDupKeep(m_settings.DupKeep);
    dialog.setAttachKeepRecord(m_settings.AttachKeepRecord);
    dialog.setAddressBookPath(m_settings.AddressBookPath);
    if (dialog.exec() != QDialog::Accepted) return;
    m_settings.ConvDisplayName = dialog.convDisplayName();
    m_settings.EditorName = dialog.editorName();
    m_settings.DupKeep = dialog.dupKeep();
    m_settings.AttachKeepRecord = dialog.attachKeepRecord();
    m_settings.AddressBookPath = dialog.addressBookPath();
    if (m_settings.EditorName.empty()) m_settings.EditorName = PlatformDefaultEditor();
    if (m_settings.ConvDisplayName) buildDisplayNames();
    if (m_actions.ARefresh1->isEnabled()) Refresh1Click();
    UpdateCommandStates();
}

OptionsDialog& MainWindow::optionsDialog() {
    // Made once and kept, so it opens where the user last left it.
    if (!m_optionsDialog) {
        m_optionsDialog = new OptionsDialog(this);
        // The dialog shows what the books give now, read afresh, whether
        // or not the names are on.
        m_optionsDialog->setBookScan([](const std::filesystem::path& extra) {
            DisplayNameDirectory scratch;
            DirectoryReport report;
            (void)BuildDisplayNameDirectory(scratch, BookPlaces::ForUser(extra), &report);
            return report;
        });
    }
    return *m_optionsDialog;
}

void MainWindow::ShowHint1Click() {
    m_settings.ShowHint = !m_settings.ShowHint;
    m_hints->setEnabled(m_settings.ShowHint);
    m_actions.AShowHint1->setChecked(m_settings.ShowHint);
}

void MainWindow::About1Click() {
    AboutDialog about(this);
    about.exec();
}

}  // namespace pelmora::app
