// SPDX-License-Identifier: MIT
#include "app/list_pane.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>

#include "app/busy_guard.h"
#include "app/command_menu.h"
#include "app/icons.h"
#include "app/message_list_model.h"
#include "app/message_preview.h"
#include "app/qt_list_view.h"
#include "app/qt_ports.h"
#include "app/qtext.h"
#include "app/window_texts.h"
#include "catalogue/duplicates.h"
#include "catalogue/ordering.h"
#include "operations/attach_delete.h"
#include "operations/attachment_save.h"
#include "operations/export_csv.h"
#include "operations/open_edit.h"
#include "operations/recycle.h"
#include "platform/xdg.h"

namespace pelmora::app {

ListPane::ListPane(QWidget& window, Owner owner, MsgList& list, std::vector<int> columnKeys, int sortKey,
                   const QString& selectAllCaption, ListPaneServices services)
    : QObject(&window), m_owner(owner), m_list(list), m_services(services) {
    m_view = new MessageListView(&window);
    m_model = new MessageListModel(m_list, std::move(columnKeys), this);
    m_view->setModel(m_model);
    m_listArea = new QSplitter(Qt::Vertical, &window);
    m_listArea->setObjectName(QStringLiteral("ListArea"));
    m_listArea->setChildrenCollapsible(false);
    m_listArea->addWidget(m_view);
    m_preview = new MessagePreview(
        {m_services.prompts, m_services.shell, m_services.settings, m_services.chooseFolder,
         [this] { return displayNames ? displayNames() : nullptr; },
         [this](const std::string& text) { m_statusPort->setPanelText(1, text); }},
        m_listArea);
    m_listArea->addWidget(m_preview);
    // A larger window gives its room to the list; the preview keeps its height.
    m_listArea->setStretchFactor(0, 1);
    m_listArea->setStretchFactor(1, 0);
    m_listArea->installEventFilter(this);
    m_listPort = std::make_unique<QtListView>(*m_view, *m_model, sortKey);
    m_statusPort = std::make_unique<QtStatusBar>(std::vector<QLabel*>{});
    m_listPort->setSelectionChangedHandler([this] { onSelectionChanged(); });
    m_view->setFindHandler([this](int start, const QString& typed) {
        return ProcLV1DataFind(FindKind::PartialString, *m_listPort, m_list, start, toCp932(typed));
    });
    connect(m_view->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (m_services.guard.busy()) return;
        ProcLV1ColumnClick(*m_listPort, column, m_list, &m_services.prompts);
    });
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) MessageOpen1Click();
    });
    buildActions(window, selectAllCaption);
    m_popupMenu = new CommandMenu(&window);
    m_popupMenu->addActions({m_actions.AMessageOpen1, m_actions.AMessageEdit1, m_actions.AMessageDelete1,
                             m_actions.AAttachDelete1, m_actions.AAttachSave1});
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        m_popupMenu->popup(m_view->viewport()->mapToGlobal(position));
    });
    // The desktop's other key for the context menu, beside the Menu key.
    auto* menuKey =
        new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), m_view, nullptr, nullptr, Qt::WidgetShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] {
        const QRect cell = m_view->visualRect(m_view->currentIndex());
        m_popupMenu->popup(m_view->viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint(0, 0)));
    });
    ResetColumnCaptions(*m_listPort);
}

ListPane::~ListPane() {
    // The list's entries point at the view port; the port goes first.
    m_view->setModel(nullptr);
}

void ListPane::buildActions(QWidget& window, const QString& selectAllCaption) {
    auto make = [this, &window](const QString& caption, const QKeySequence& key,
                                void (ListPane::*handler)()) {
        auto* action = new QAction(caption, &window);
        if (!key.isEmpty()) action->setShortcut(key);
        // Keys reach the window whichever control has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        window.addAction(action);
        return action;
    };
    Actions& a = m_actions;
    a.AMessageOpen1 =
        make(window_text::kMessageOpenCaption, QKeySequence(Qt::Key_Return), &ListPane::MessageOpen1Click);
    a.AMessageOpen1->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    setCommandHint(a.AMessageOpen1, CommandIcon::MessageOpen, window_text::kMessageOpenHint);
    a.AMessageEdit1 = make(window_text::kMessageEditCaption, QKeySequence(Qt::CTRL | Qt::Key_E),
                           &ListPane::MessageEdit1Click);
    setCommandHint(a.AMessageEdit1, CommandIcon::MessageEdit, window_text::kMessageEditHint);
    a.AMessageDelete1 = make(window_text::kMessageDeleteCaption, QKeySequence(Qt::CTRL | Qt::Key_Delete),
                             &ListPane::MessageDelete1Click);
    setCommandHint(a.AMessageDelete1, CommandIcon::MessageDelete, window_text::kMessageDeleteHint);
    a.AAttachDelete1 = make(window_text::kAttachDeleteCaption, QKeySequence(Qt::CTRL | Qt::Key_L),
                            &ListPane::AttachDelete1Click);
    setCommandHint(a.AAttachDelete1, CommandIcon::AttachDelete, window_text::kAttachDeleteHint);
    a.ASelAll1 = make(selectAllCaption, QKeySequence(Qt::CTRL | Qt::Key_A), &ListPane::SelAll1Click);
    a.ADupCheck1 =
        make(window_text::kDupCheckCaption, QKeySequence(Qt::CTRL | Qt::Key_K), &ListPane::Dupcheck1Click);
    a.AListMessage1 = make(window_text::kListMessageCaption, {}, &ListPane::ListMessage1Click);
    a.AAttachSave1 = make(window_text::kAttachSaveCaption, {}, &ListPane::AttachSave1Click);
    a.AAttachSave1->setStatusTip(window_text::kAttachSaveHint);
    a.APreview1 = make(window_text::kPreviewCaption, QKeySequence(Qt::Key_F8), &ListPane::Preview1Click);
    a.APreview1->setCheckable(true);
    a.APreview1->setChecked(true);
}

bool ListPane::eventFilter(QObject* watched, QEvent* event) {
    // The remembered height is in pixels; the splitter can place it only
    // once it has its own size, which it gets when the window shows.
    if (watched == m_listArea && event->type() == QEvent::Resize && m_pendingPreviewHeight > 0 &&
        m_listArea->height() > 0) {
        const int height = std::min(m_pendingPreviewHeight, std::max(m_listArea->height() - 60, 30));
        m_pendingPreviewHeight = 0;
        m_listArea->setSizes(
            {std::max(m_listArea->height() - height - m_listArea->handleWidth(), 1), height});
    }
    return QObject::eventFilter(watched, event);
}

void ListPane::applyPreviewLayout(bool shown, int height) {
    m_previewHeight = height;
    m_pendingPreviewHeight = height;
    m_actions.APreview1->setChecked(shown);
    m_preview->setVisible(shown);
}

void ListPane::collectPreviewLayout(bool& shown, int& height) const {
    shown = m_actions.APreview1->isChecked();
    const int now = m_listArea->sizes().value(1);
    height = shown && now >= 30 ? now : m_previewHeight;
}

void ListPane::Preview1Click() {
    const bool shown = m_actions.APreview1->isChecked();
    if (!shown) {
        if (const int now = m_listArea->sizes().value(1); now >= 30) m_previewHeight = now;
        m_preview->showNothing();
        m_preview->hide();
        return;
    }
    m_preview->show();
    const int total = m_listArea->height();
    if (total > 0 && m_previewHeight > 0) {
        const int height = std::min(m_previewHeight, std::max(total - 60, 30));
        m_listArea->setSizes({std::max(total - height - m_listArea->handleWidth(), 1), height});
    }
    updatePreview();
}

void ListPane::updatePreview() {
    if (!m_actions.APreview1->isChecked()) return;
    const std::vector<int> selected = m_listPort->selectedRows();
    if (selected.size() == 1 && selected[0] >= 0 && static_cast<std::size_t>(selected[0]) < m_list.size())
        m_preview->showMessage(m_list[static_cast<std::size_t>(selected[0])]->FileName);
    else if (selected.empty())
        m_preview->showNothing();
    else
        m_preview->showCount(static_cast<int>(selected.size()));
}

void ListPane::AttachSave1Click() {
    run([this] {
        if (!m_services.chooseFolder) return;
        const auto folder = m_services.chooseFolder(window_text::kChooseAttachmentFolder,
                                                    AttachSaveStart(m_services.settings));
        if (!folder) return;
        m_services.settings.AttachSaveDir = *folder;
        ProcAttachSave1Click(*m_listPort, *m_statusPort, m_list, m_services.prompts, m_services.progress,
                             *folder, m_services.files);
    });
}

void ListPane::addStatusPanels(QStatusBar& bar, int panel0Width, int panel1Width) {
    const int widths[2] = {panel0Width, panel1Width};
    for (int i = 0; i < 2; ++i) {
        auto* panel = new QLabel(&bar);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
        panel->setFixedWidth(widths[i]);
        bar.addWidget(panel);
        m_panels[i] = panel;
    }
    m_statusPort = std::make_unique<QtStatusBar>(std::vector<QLabel*>{m_panels[0], m_panels[1]});
}

ports::StatusBar& ListPane::statusPort() {
    return *m_statusPort;
}

void ListPane::applyCommandStates() {
    const Actions& a = m_actions;
    const BusyGuard::Task task = m_services.guard.task();
    if (task == BusyGuard::Task::Load || task == BusyGuard::Task::Search) {
        // A list is being rebuilt: nothing may act on it meanwhile.
        for (QAction* action : {a.AMessageOpen1, a.AMessageEdit1, a.AMessageDelete1, a.AAttachDelete1,
                                a.AAttachSave1, a.ASelAll1, a.ADupCheck1, a.AListMessage1})
            action->setEnabled(false);
        return;
    }
    const int rows = m_listPort->rowCount();
    const std::vector<int> selected = m_listPort->selectedRows();
    const int count = static_cast<int>(selected.size());
    a.AMessageOpen1->setEnabled(count == 1);
    const bool editor = !m_services.settings.EditorName.empty();
    a.AMessageEdit1->setEnabled(count == 1 && editor);
    // Greyed out for want of an editor, the command says why and where to name one.
    const QString editHint = editor ? window_text::kMessageEditHint : window_text::kMessageEditHintNoEditor;
    a.AMessageEdit1->setToolTip(editHint);
    a.AMessageEdit1->setStatusTip(editHint);
    a.AMessageDelete1->setEnabled(count > 0);
    bool attachment = false;
    for (int row : selected) {
        if (row >= 0 && static_cast<std::size_t>(row) < m_list.size() &&
            m_list[static_cast<std::size_t>(row)]->HasAttach) {
            attachment = true;
            break;
        }
    }
    a.AAttachDelete1->setEnabled(attachment);
    a.AAttachSave1->setEnabled(attachment);
    a.ASelAll1->setEnabled(rows > 0);
    a.ADupCheck1->setEnabled(rows > 1);
    a.AListMessage1->setEnabled(rows > 0);
}

void ListPane::refreshStates() {
    if (updateCommandStates)
        updateCommandStates();
    else
        applyCommandStates();
}

void ListPane::onSelectionChanged() {
    m_statusPort->setPanelText(1, SelectionCountText(m_listPort->selectedCount()));
    refreshStates();
    updatePreview();
}

void ListPane::run(const std::function<void()>& command) {
    if (m_services.guard.busy()) return;
    {
        BusyGuard::Scope scope(m_services.guard, BusyGuard::Task::Command);
        command();
    }
    refreshStates();
    // A command may have changed, moved or removed the message shown.
    updatePreview();
}

void ListPane::MessageOpen1Click() {
    if (m_services.guard.busy()) return;
    ProcMessageOpen1Click(*m_listPort, m_list, m_services.prompts, m_services.shell);
}

void ListPane::MessageEdit1Click() {
    if (m_services.guard.busy()) return;
    ProcMessageEdit1Click(*m_listPort, m_list, m_services.prompts, m_services.shell,
                          m_services.settings.EditorName);
}

void ListPane::MessageDelete1Click() {
    run([this] {
        ProcMessageDelete1Click(*m_listPort, *m_statusPort, m_list, m_services.prompts, m_services.shell,
                                &m_services.progress);
    });
}

void ListPane::AttachDelete1Click() {
    run([this] {
        ProcAttachDelete1Click(*m_listPort, *m_statusPort, m_list, m_services.prompts, m_services.progress,
                               m_services.shell, m_services.files, m_services.settings.AttachKeepRecord);
    });
}

void ListPane::SelAll1Click() {
    if (m_services.guard.busy()) return;
    // ProcSelAll1Click: one selection change, whatever the number of rows.
    ports::BusyScope busy(m_services.cursor);
    m_listPort->selectAll();
}

void ListPane::Dupcheck1Click() {
    run([this] {
        const bool searchWindow = m_owner == Owner::SearchWindow;
        DupcheckPorts ports{*m_listPort,
                            *m_statusPort,
                            m_services.cursor,
                            &m_services.prompts,
                            searchWindow ? std::function<void()>() : showDuplicateCaption,
                            ParseDupKeeper(m_services.settings.DupKeep).value_or(DupKeeper{}),
                            [this](const std::string& counts) {
                                // The window says more than the fixed text: the groups and the
                                // selected copies; the fixed text stays as the panel's hint,
                                // which the next text clears.
                                if (counts.empty() || !m_panels[1]) return;
                                const QString rows = m_panels[1]->text();
                                m_statusPort->setPanelText(1, counts);
                                m_panels[1]->setToolTip(rows);
                            }};
        ProcDupcheck1Click(ports, m_list);
    });
}

void ListPane::ListMessage1Click() {
    if (m_services.guard.busy()) return;
    const std::filesystem::path folder = listFolder ? listFolder() : std::filesystem::path();
    // Without a remembered folder the dialog opens in the documents folder,
    // not in the hidden settings folder.
    ProcListMessage1Click(folder, *m_listPort, m_list, m_services.prompts, m_services.shell,
                          m_services.settings.MsgListDir, platform::XdgDocumentsFolder());
}

}  // namespace pelmora::app
