// SPDX-License-Identifier: MIT
// Building the search window, carrying its settings in and out, and its
// window events.
#include "app/search_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <system_error>

#include "app/busy_guard.h"
#include "app/command_menu.h"
#include "app/icons.h"
#include "app/list_pane.h"
#include "app/main_window_ports.h"
#include "app/qt_list_view.h"
#include "app/qtext.h"
#include "app/window_layout.h"
#include "app/window_texts.h"
#include "catalogue/ordering.h"
#include "platform/file_io.h"
#include "texts/texts.h"

namespace pelmora::app {

namespace {

// Result columns, left to right, by sort key: 差出人, 宛先, 件名, 送信日時,
// 受信日時, サイズ, フォルダ名. FFC0Width ... FFC6Width follow this order,
// so it MUST NOT change.
const std::vector<int> kFindColumns = {KeySender,   KeyRecipients, KeySubject, KeySent,
                                       KeyReceived, KeySize,       KeyFolder};

constexpr int kPanel0Width = 200;
constexpr int kPanel1Width = 280;
constexpr int kFindMinimumWidth = 640;
constexpr int kFindMinimumHeight = 400;
constexpr int kHistoryRows = 10;

// The four fields' captions and hints, in the order of the fields.
const QString* const kFieldCaptions[] = {&window_text::kFieldFrom, &window_text::kFieldTo,
                                         &window_text::kFieldSubject, &window_text::kFieldBody};
const QString* const kFieldHints[] = {&window_text::kFieldHintTerms, &window_text::kFieldHintAnd,
                                      &window_text::kFieldHintOr, &window_text::kFieldHintExclude};

// A right-aligned caption whose key moves the focus to buddy.
QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* made = new QLabel(text, buddy->parentWidget());
    made->setBuddy(buddy);
    made->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return made;
}

// Whether the focus left a field by the user's own move: the mouse, Tab or
// a label's key. The field's own list opening, the progress dialog of a
// run that Enter started, a command key that puts the focus on the list and
// another window taking over do not leave the field for its history.
bool leftByUser(Qt::FocusReason reason) {
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
           reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

}  // namespace

SearchWindow::SearchWindow(PortFactory& ports, Settings& settings, BusyGuard& guard, SearchWindowHost host,
                           QWidget* parent)
    : QDialog(parent), m_portFactory(ports), m_settings(settings), m_busy(guard), m_host(std::move(host)) {
    setObjectName(QStringLiteral("FormFind"));
    setWindowTitle(window_text::kFindWindowTitle);
    setWindowIcon(programIcon());
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setMinimumSize(kFindMinimumWidth, kFindMinimumHeight);
    m_prompts = ports.makePrompts(this);
    m_progress = ports.makeProgress(this);
    m_shell = ports.makeShell(this);
    m_busyCursor = ports.makeBusyCursor();
    buildWidgets();
    buildActions();
    buildMenus();
    applySettings();
}

SearchWindow::~SearchWindow() {
    // The view must not draw entries that are gone.
    LV2()->setModel(nullptr);
    m_session.FoundList.clear();
    delete m_pane;
}

MessageListView* SearchWindow::LV2() const {
    return m_pane->view();
}

QMenu* SearchWindow::popupMenu() const {
    return m_pane->popupMenu();
}

QString SearchWindow::panelText(int panel) const {
    if (panel == 0 || panel == 1) return m_pane->statusPanel(panel)->text();
    return {};
}

void SearchWindow::buildWidgets() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const MenuBand band = MakeMenuBand(this, SearchWindowLayout(m_settings));
    m_menuBar = band.menuBar;
    m_toolBar = band.toolBar;
    m_menuBar->setWindowTitle(window_text::kFindMenuBarTitle);
    m_toolBar->setWindowTitle(window_text::kFindToolBarTitle);
    layout->addWidget(band.band);
    layout->addWidget(buildConditions());

    m_pane =
        new ListPane(*this, ListPane::Owner::SearchWindow, m_session.FoundList, kFindColumns,
                     m_settings.FFVSort, window_text::kFindSelAllCaption,
                     {*m_prompts, *m_progress, *m_shell, platform::SystemFileSystem(), *m_busyCursor, m_busy,
                      m_settings, [this](const QString& prompt, const std::filesystem::path& start) {
                          return m_portFactory.chooseFolder(this, prompt, start);
                      }});
    m_pane->updateCommandStates = [this] {
        UpdateFindActions();
        UpdateSearchButtons();
    };
    m_pane->listFolder = [this] { return folder(); };
    LV2()->setObjectName(QStringLiteral("LV2"));
    layout->addWidget(m_pane->listArea(), 1);

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("SB1"));
    bar->setSizeGripEnabled(true);
    m_pane->addStatusPanels(*bar, kPanel0Width, kPanel1Width);
    layout->addWidget(bar);
}

QWidget* SearchWindow::buildConditions() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    // The widgets are made in the order that Tab visits them.
    buildFolderRow(*grid);
    buildFields(*grid);
    buildDateRow(*grid);
    buildButtons(*grid);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return box;
}

void SearchWindow::buildFolderRow(QGridLayout& grid) {
    QWidget* box = grid.parentWidget();
    m_folderEdit = new QLineEdit(box);
    m_folderEdit->setObjectName(QStringLiteral("Edit1"));
    m_folderEdit->setReadOnly(true);
    m_browseButton = new QPushButton(window_text::kBrowseFolder, box);
    m_includeSubfolders = new QCheckBox(window_text::kIncludeSubfoldersOption, box);
    m_includeSubfolders->setObjectName(QStringLiteral("CheckBox6"));
    grid.addWidget(buddyLabel(window_text::kSearchLocation, m_folderEdit), 0, 0);
    grid.addWidget(m_folderEdit, 0, 1, 1, 3);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_browseButton);
    folderRow->addWidget(m_includeSubfolders);
    folderRow->addStretch(1);
    grid.addLayout(folderRow, 0, 4);
}

void SearchWindow::buildFields(QGridLayout& grid) {
    for (int number = 1; number <= 4; ++number) {
        auto* field = new QComboBox(grid.parentWidget());
        field->setObjectName(QStringLiteral("CB%1").arg(number));
        field->setEditable(true);
        field->setInsertPolicy(QComboBox::NoInsert);
        field->setCompleter(nullptr);
        field->setMaxVisibleItems(kHistoryRows);
        field->setToolTip(*kFieldHints[number - 1]);
        field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // The field holds the focus for its edit line: keys and focus
        // changes reach the field itself.
        field->installEventFilter(this);
        field->view()->installEventFilter(this);
        m_fields[static_cast<std::size_t>(number - 1)] = field;
        // Two fields a row: 差出人 and 宛先, then 件名 and メッセージ.
        const int row = 1 + (number - 1) / 2;
        const int column = (number - 1) % 2 == 0 ? 0 : 2;
        grid.addWidget(buddyLabel(*kFieldCaptions[number - 1], field), row, column);
        grid.addWidget(field, row, column + 1);
        connect(field, &QComboBox::editTextChanged, this, [this, number] { fieldChanged(number); });
    }
}

void SearchWindow::buildDateRow(QGridLayout& grid) {
    QWidget* box = grid.parentWidget();
    auto* dates = new QHBoxLayout;
    const QString pickerCaptions[] = {window_text::kDateFrom, window_text::kDateTo};
    for (std::size_t i = 0; i < 2; ++i) {
        m_pickerChecks[i] = new QCheckBox(pickerCaptions[i], box);
        m_pickers[i] = new QDateEdit(box);
        m_pickers[i]->setObjectName(QStringLiteral("DateTimePicker%1").arg(i + 1));
        m_pickers[i]->setCalendarPopup(true);
        m_pickers[i]->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        m_pickers[i]->setEnabled(false);
        // Wide enough for the bold date of a reversed range, so that the
        // row does not jump when the font changes.
        QFont bold = m_pickers[i]->font();
        bold.setBold(true);
        m_pickers[i]->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(QStringLiteral("0000/00/00")) +
                                      48);
        connect(m_pickers[i], &QDateEdit::dateChanged, this, [this] { pickerChanged(); });
        connect(m_pickerChecks[i], &QCheckBox::toggled, this, [this, i](bool on) {
            m_pickers[i]->setEnabled(on);
            pickerChanged();
        });
        // The check box names the limit after the date: "2024/04/01 以降".
        dates->addWidget(m_pickers[i]);
        dates->addWidget(m_pickerChecks[i]);
        if (i == 0) dates->addSpacing(16);
    }
    dates->addSpacing(24);
    m_attachmentsOnly = new QCheckBox(window_text::kAttachmentsOnlyOption, box);
    m_attachmentsOnly->setObjectName(QStringLiteral("CheckBox3"));
    connect(m_attachmentsOnly, &QCheckBox::clicked, this, [this] { UpdateSearchButtons(); });
    dates->addWidget(m_attachmentsOnly);
    dates->addStretch(1);
    grid.addLayout(dates, 3, 1, 1, 3);
}

void SearchWindow::buildButtons(QGridLayout& grid) {
    auto* buttons = new QHBoxLayout;
    auto button = [box = grid.parentWidget(), buttons](const QString& caption, const QString& hint) {
        auto* made = new QPushButton(caption, box);
        made->setToolTip(hint);
        buttons->addWidget(made);
        return made;
    };
    m_startButton = button(window_text::kStartSearch, window_text::kStartSearchHint);
    m_narrowButton = button(window_text::kNarrowSearch, window_text::kNarrowSearchHint);
    m_clearConditionsButton = button(window_text::kClearConditions, window_text::kClearConditionsHint);
    m_clearHistoriesButton = button(window_text::kClearHistories, window_text::kClearHistoriesHint);
    const QList<QPushButton*> all = {m_browseButton, m_startButton, m_narrowButton, m_clearConditionsButton,
                                     m_clearHistoriesButton};
    for (qsizetype i = 0; i < all.size(); ++i) {
        all[i]->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        all[i]->setAutoDefault(false);
    }
    m_startButton->setDefault(true);
    grid.addLayout(buttons, 1, 4, 3, 1, Qt::AlignTop);

    connect(m_browseButton, &QPushButton::clicked, this, &SearchWindow::chooseFolder);
    connect(m_startButton, &QPushButton::clicked, this, &SearchWindow::startSearch);
    connect(m_narrowButton, &QPushButton::clicked, this, &SearchWindow::narrowSearch);
    connect(m_clearConditionsButton, &QPushButton::clicked, this, &SearchWindow::clearConditions);
    connect(m_clearHistoriesButton, &QPushButton::clicked, this, &SearchWindow::askClearHistories);
}

void SearchWindow::buildActions() {
    auto make = [this](const QString& caption, const QKeySequence& key) {
        auto* action = new QAction(caption, this);
        if (!key.isEmpty()) action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        return action;
    };
    Actions& a = m_actions;
    a.AFindFileOpen1 = make(window_text::kFindFileOpenCaption, {});
    a.AFindFileOpen1->setIcon(commandIcon(CommandIcon::OpenFolder));
    a.AFindFileOpen1->setToolTip(window_text::kFindFileOpenHint);
    connect(a.AFindFileOpen1, &QAction::triggered, this, &SearchWindow::FindFileOpen1Click);
    a.AExit1 = make(window_text::kExitCaption, QKeySequence(Qt::Key_Escape));
    connect(a.AExit1, &QAction::triggered, this, &SearchWindow::reject);
    a.AShowHint1 = make(window_text::kShowHintCaption, {});
    a.AShowHint1->setCheckable(true);
    connect(a.AShowHint1, &QAction::triggered, this, [this] {
        if (m_host.showHint1Click) m_host.showHint1Click();
        m_actions.AShowHint1->setChecked(m_settings.ShowHint);
    });
    a.AAbout1 = make(window_text::kAboutCaption, {});
    connect(a.AAbout1, &QAction::triggered, this, [this] {
        if (m_host.about1Click) m_host.about1Click();
    });
}

void SearchWindow::buildMenus() {
    const Actions& a = m_actions;
    const ListPane::Actions& list = m_pane->actions();
    QMenu* file = addCommandMenu(*m_menuBar, window_text::kFileMenu);
    file->addAction(a.AFindFileOpen1);
    file->addSeparator();
    file->addAction(a.AExit1);
    QMenu* edit = addCommandMenu(*m_menuBar, window_text::kEditMenu);
    edit->addActions({list.AMessageOpen1, list.AMessageEdit1, list.AMessageDelete1, list.AAttachDelete1,
                      list.AAttachSave1, list.ASelAll1});
    QMenu* view = addCommandMenu(*m_menuBar, window_text::kViewMenu);
    view->addActions({list.APreview1, list.ADupCheck1});
    QMenu* tools = addCommandMenu(*m_menuBar, window_text::kToolsMenu);
    tools->addAction(list.AListMessage1);
    QMenu* help = addCommandMenu(*m_menuBar, window_text::kHelpMenu);
    help->addAction(a.AShowHint1);
    help->addSeparator();
    help->addAction(a.AAbout1);
    for (QMenu* menu : {file, edit, view, tools, help})
        connect(menu, &QMenu::aboutToShow, this,
                [this] { m_actions.AShowHint1->setChecked(m_settings.ShowHint); });

    m_toolBar->addAction(a.AFindFileOpen1);
    m_toolBar->addSeparator();
    m_toolBar->addActions(
        {list.AMessageOpen1, list.AMessageEdit1, list.AMessageDelete1, list.AAttachDelete1});

    QMenu* popup = m_pane->popupMenu();
    popup->setObjectName(QStringLiteral("PopupMenu1"));
    popup->addSeparator();
    popup->addAction(a.AFindFileOpen1);
}

void SearchWindow::applySettings() {
    const WindowLayout layout = SearchWindowLayout(m_settings);
    ApplyGeometry(*this, layout);
    ApplyColumnWidths(*LV2()->header(), layout);
    m_pane->listPort().setSortKey(m_settings.FFVSort);
    m_pane->applyPreviewLayout(m_settings.FFPreview, m_settings.FFPreviewHeight);
    m_includeSubfolders->setChecked(m_settings.FFsearchSubFolder);
    for (std::size_t f = 0; f < m_fields.size(); ++f) {
        QComboBox* field = m_fields[f];
        const auto& history = m_settings.CB[f];
        for (std::size_t index = 1; index < history.size(); ++index)
            if (!history[index].empty()) field->addItem(fromCp932(history[index]));
        // Setting the text builds the field's terms.
        field->setEditText(fromCp932(history[0]));
        fieldChanged(static_cast<int>(f) + 1);
    }
    const QDate today = QDate::currentDate();
    for (std::size_t i = 0; i < 2; ++i) {
        m_pickers[i]->setDate(today);
        m_pickerChecks[i]->setChecked(false);
    }
    m_attachmentsOnly->setChecked(false);
    pickerChanged();
}

void SearchWindow::storeSettings() {
    WindowLayout layout = SearchWindowLayout(m_settings);
    CollectGeometry(*this, layout);
    CollectColumnWidths(*LV2()->header(), layout);
    layout.sortKey = m_pane->listPort().sortKey();
    m_pane->collectPreviewLayout(m_settings.FFPreview, m_settings.FFPreviewHeight);
    m_settings.FFsearchSubFolder = m_includeSubfolders->isChecked();
    for (std::size_t f = 0; f < m_fields.size(); ++f) {
        QComboBox* field = m_fields[f];
        auto& history = m_settings.CB[f];
        history.fill(std::string());
        history[0] = toCp932(field->currentText());
        for (int index = 0; index < field->count() && index < kHistoryRows; ++index)
            history[static_cast<std::size_t>(index) + 1] = toCp932(field->itemText(index));
    }
}

void SearchWindow::setFolder(const std::filesystem::path& folder) {
    m_folderEdit->setText(fromPath(folder));
}

std::filesystem::path SearchWindow::folder() const {
    return toPath(m_folderEdit->text());
}

void SearchWindow::chooseFolder() {
    std::error_code error;
    const std::filesystem::path current = folder();
    const bool exists = !current.empty() && std::filesystem::is_directory(current, error);
    const auto chosen = m_portFactory.chooseFolder(this, window_text::kChooseMailFolder,
                                                   exists ? current : std::filesystem::path());
    if (!chosen) return;
    setFolder(*chosen);
    UpdateSearchButtons();
}

void SearchWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    {
        ports::BusyScope busy(*m_busyCursor);
        ports::UpdateScope update(m_pane->listPort());
        // The old results stay in FoundList until the next run frees them;
        // they are no longer shown.
        m_pane->listPort().setRowCount(0);
        ResetColumnCaptions(m_pane->listPort());
    }
    m_pane->statusPanel(0)->setText(fromCp932(text::kNotSearched));
    m_pane->statusPanel(1)->clear();
    m_includeSubfolders->setChecked(m_settings.FFsearchSubFolder);
    UpdateSearchButtons();
    UpdateFindActions();
}

void SearchWindow::hideEvent(QHideEvent* event) {
    m_settings.FFsearchSubFolder = m_includeSubfolders->isChecked();
    QDialog::hideEvent(event);
}

void SearchWindow::reject() {
    // Closing during a run stops the run first; the window stays.
    if (m_busy.task() == BusyGuard::Task::Search) {
        m_progress->requestAbort();
        return;
    }
    QDialog::reject();
}

bool SearchWindow::closeListOnEscape(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) return false;
    for (QComboBox* field : m_fields) {
        if (watched != field->view() || !field->view()->isVisible()) continue;
        // Esc on an open list closes the list only. Qt's list closes on the
        // key's shortcut check without claiming the key, and the window's
        // own Esc then closes the window; so the check is claimed here and
        // the key press closes the list.
        event->accept();
        if (event->type() == QEvent::KeyPress) field->hidePopup();
        return true;
    }
    return false;
}

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (closeListOnEscape(watched, event)) return true;
    int number = 0;
    for (std::size_t f = 0; f < m_fields.size(); ++f)
        if (watched == m_fields[f]) number = static_cast<int>(f) + 1;
    if (number == 0) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        if (leftByUser(static_cast<QFocusEvent*>(event)->reason())) updateHistory(number);
    } else if (event->type() == QEvent::ShortcutOverride) {
        // The window's command keys act in the fields too (Ctrl+A, Ctrl+K
        // and Ctrl+Delete would otherwise edit the text).
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction* action : QWidget::actions())
            if (action->isEnabled() && action->shortcuts().contains(pressed)) return true;
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            // Enter starts a run without touching the history.
            if (m_startButton->isEnabled()) startSearch();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pelmora::app
