// SPDX-License-Identifier: MIT
// The search window's conditions: the fields and their histories, the date
// limits, which buttons and commands are on, and the two runs.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include "app/busy_guard.h"
#include "app/list_pane.h"
#include "app/qt_list_view.h"
#include "app/qtext.h"
#include "app/search_window.h"
#include "app/window_texts.h"
#include "base/scope_exit.h"
#include "message/mail_date.h"
#include "platform/paths.h"

namespace pelmora::app {

namespace {

constexpr int kHistoryRows = 10;

DateTime dayOf(const QDate& date) {
    return EncodeDateTime(date.year(), date.month(), date.day(), 0, 0, 0);
}

}  // namespace

void SearchWindow::fieldChanged(int number) {
    TermList* terms[] = {&m_conditions.FromTerms, &m_conditions.ToTerms, &m_conditions.SubjectTerms,
                         &m_conditions.BodyTerms};
    // The terms are upper-cased as they are parsed; an empty text sets none.
    ParseSearchField(*terms[number - 1],
                     toCp932(m_fields[static_cast<std::size_t>(number - 1)]->currentText()));
    UpdateSearchButtons();
}

void SearchWindow::updateHistory(int number) {
    QComboBox* field = m_fields[static_cast<std::size_t>(number - 1)];
    const QString text = field->currentText();
    if (text.isEmpty()) return;
    QString entry = text;
    for (int index = 0; index < field->count(); ++index) {
        if (field->itemText(index).compare(text, Qt::CaseInsensitive) == 0) {
            // The entry moves to the top with its own letter case.
            entry = field->itemText(index);
            field->removeItem(index);
            break;
        }
    }
    field->insertItem(0, entry);
    while (field->count() > kHistoryRows) field->removeItem(kHistoryRows);
    field->setCurrentIndex(-1);
    field->setEditText(text);
}

void SearchWindow::clearHistories() {
    for (QComboBox* field : m_fields) {
        const QString text = field->currentText();
        field->clear();
        field->setEditText(text);
    }
}

bool SearchWindow::rangeReversed() const {
    return m_pickerChecks[0]->isChecked() && m_pickerChecks[1]->isChecked() &&
           m_pickers[0]->date() > m_pickers[1]->date();
}

void SearchWindow::pickerChanged() {
    const bool reversed = rangeReversed();
    for (QDateEdit* picker : m_pickers) {
        QFont font = picker->font();
        font.setBold(reversed);
        picker->setFont(font);
    }
    if (!reversed) {
        if (m_pickerChecks[0]->isChecked()) m_dateFrom = DateFromDay(dayOf(m_pickers[0]->date()));
        if (m_pickerChecks[1]->isChecked()) m_dateTo = DateToDay(dayOf(m_pickers[1]->date()));
    }
    UpdateSearchButtons();
}

void SearchWindow::UpdateSearchButtons() {
    if (!m_pane) return;
    QPushButton* start = m_startButton;
    QPushButton* narrow = m_narrowButton;
    // During a run the buttons stay off; the run turns them on at its end.
    if (m_busy.task() == BusyGuard::Task::Search || rangeReversed()) {
        start->setEnabled(false);
        narrow->setEnabled(false);
        return;
    }
    const SearchConditions& c = m_conditions;
    const bool anyCondition = !c.FromTerms.empty() || !c.ToTerms.empty() || !c.SubjectTerms.empty() ||
                              !c.BodyTerms.empty() || m_pickerChecks[0]->isChecked() ||
                              m_pickerChecks[1]->isChecked() || m_attachmentsOnly->isChecked();
    start->setEnabled(anyCondition && !m_folderEdit->text().isEmpty());
    narrow->setEnabled(anyCondition && m_pane->listPort().rowCount() > 0);
}

void SearchWindow::UpdateFindActions() {
    if (!m_pane) return;
    m_pane->applyCommandStates();
    const bool running = m_busy.task() == BusyGuard::Task::Search;
    m_actions.AFindFileOpen1->setEnabled(!running && m_pane->listPort().selectedCount() == 1);
}

void SearchWindow::runWith(const std::function<void(SearchPorts&)>& run) {
    if (m_busy.busy()) return;
    for (QPushButton* button :
         {m_browseButton, m_startButton, m_narrowButton, m_clearConditionsButton, m_clearHistoriesButton})
        button->setEnabled(false);
    m_conditions.DateFrom.reset();
    m_conditions.DateTo.reset();
    if (m_pickerChecks[0]->isChecked()) m_conditions.DateFrom = m_dateFrom;
    if (m_pickerChecks[1]->isChecked()) m_conditions.DateTo = m_dateTo;
    m_conditions.AttachmentsOnly = m_attachmentsOnly->isChecked();
    m_conditions.IncludeSubfolders = m_includeSubfolders->isChecked();
    m_conditions.ErrorUnableDecode = m_settings.ErrorUnableDecode;
    // Whatever ends the run, the window's buttons and commands come back.
    ScopeExit reenable([this] {
        for (QPushButton* button : {m_browseButton, m_clearConditionsButton, m_clearHistoriesButton})
            button->setEnabled(true);
        UpdateSearchButtons();
        UpdateFindActions();
    });
    BusyGuard::Scope scope(m_busy, BusyGuard::Task::Search);
    UpdateFindActions();
    SearchPorts ports{m_pane->listPort(), m_pane->statusPort(), *m_progress, *m_prompts, *m_busyCursor};
    run(ports);
}

void SearchWindow::startSearch() {
    if (!m_startButton->isEnabled()) return;
    const ReaderOptions options = m_host.readerOptions ? m_host.readerOptions() : ReaderOptions{};
    // The folder as typed, resolved once as the kernel resolves it, so that
    // the results name the files that the scan found.
    const std::filesystem::path location = platform::KernelPath(folder(), platform::FinalLink::Follow);
    runWith([this, &options, &location](SearchPorts& ports) {
        RunSearch(m_conditions, location, m_session, ports, options);
    });
}

void SearchWindow::narrowSearch() {
    if (!m_narrowButton->isEnabled()) return;
    runWith([this](SearchPorts& ports) { RunNarrowing(m_conditions, m_session, ports); });
}

void SearchWindow::clearConditions() {
    for (QComboBox* field : m_fields) field->setEditText(QString());
    m_conditions.FromTerms.clear();
    m_conditions.ToTerms.clear();
    m_conditions.SubjectTerms.clear();
    m_conditions.BodyTerms.clear();
    for (QCheckBox* check : m_pickerChecks) check->setChecked(false);
    m_attachmentsOnly->setChecked(false);
    UpdateSearchButtons();
    UpdateFindActions();
}

void SearchWindow::askClearHistories() {
    if (m_prompts->confirmYesNoTitled(toCp932(window_text::kConfirmTitle),
                                      toCp932(window_text::kClearHistoriesPrompt)))
        clearHistories();
}

void SearchWindow::FindFileOpen1Click() {
    const std::vector<int> rows = m_pane->listPort().selectedRows();
    if (rows.size() != 1) return;
    FoundIndex = rows.front();
    done(QDialog::Accepted);
}

}  // namespace pelmora::app
