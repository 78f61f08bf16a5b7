// SPDX-License-Identifier: MIT
// The main window's side of the search: making the search window, opening
// it and bringing back the message chosen there.
#include <QTreeView>
#include <algorithm>

#include "app/list_pane.h"
#include "app/main_window.h"
#include "app/qt_list_view.h"
#include "app/search_window.h"

namespace pelmora::app {

void MainWindow::buildSearchWindow() {
    SearchWindowHost host;
    host.readerOptions = [this] {
        ReaderOptions options;
        options.DupCheckHeaders = m_settings.DupCheckHeaders;
        options.DisplayNames = m_settings.ConvDisplayName ? &m_displayNames : nullptr;
        return options;
    };
    host.showHint1Click = [this] { ShowHint1Click(); };
    host.about1Click = [this] { About1Click(); };
    m_formFind = new SearchWindow(m_portFactory, m_settings, m_busy, std::move(host), this);
    m_formFind->pane().displayNames = [this] { return displayNameLookup(); };
}

void MainWindow::MessageFind1Click() {
    if (m_busy.busy() || !m_formFind) return;
    // The search starts in the folder the tree asked for, else the current one.
    m_formFind->setFolder(m_searchLocation.empty() ? m_settings.emlDir : m_searchLocation);
    m_formFind->FoundIndex = -1;
    m_formFind->exec();
    // A result chosen with "open its folder": show that folder and the message in it.
    const int found = m_formFind->FoundIndex;
    const MsgList& results = m_formFind->foundList();
    if (found >= 0 && static_cast<std::size_t>(found) < results.size()) {
        const TMsgItem& entry = *results[static_cast<std::size_t>(found)];
        const std::string subject = entry.Subject;
        const std::int64_t dupHash = entry.DupHash;
        if (entry.FolderPath != m_settings.emlDir.native()) m_settings.emlDir = entry.FolderPath.str();
        // Reload even when the folder is the same: the search may have changed its files.
        Refresh1Click();
        selectFoundMessage(subject, dupHash);
    }
    // Whatever ended the window, the commands follow the list and the list has the focus.
    UpdateCommandStates();
    LV1()->setFocus(Qt::OtherFocusReason);
}

void MainWindow::selectFoundMessage(const std::string& subject, std::int64_t dupHash) {
    const auto match =
        std::find_if(m_list.begin(), m_list.end(), [&](const std::unique_ptr<TMsgItem>& entry) {
            return entry->DupHash == dupHash && entry->Subject == subject;
        });
    if (match == m_list.end()) return;
    const int row = static_cast<int>(match - m_list.begin());
    ports::ListView& view = listView();
    ports::UpdateScope update(view);
    view.clearSelection();
    view.setSelected(row, true);
    view.setFocusRow(row);
    view.scrollIntoView(row);
}

}  // namespace pelmora::app
