// SPDX-License-Identifier: MIT
// Building the main window and carrying its settings in and out.
#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QTreeView>
#include <algorithm>
#include <system_error>

#include "app/command_menu.h"
#include "app/icons.h"
#include "app/list_pane.h"
#include "app/main_window_caption.h"
#include "app/main_window_options.h"
#include "app/main_window_ports.h"
#include "app/main_window_startup.h"
#include "app/message_list_model.h"
#include "app/qt_list_view.h"
#include "app/qt_ports.h"
#include "app/qtext.h"
#include "app/search_window.h"
#include "app/window_layout.h"
#include "app/window_texts.h"
#include "catalogue/duplicates.h"
#include "catalogue/ordering.h"
#include "platform/file_io.h"
#include "settings/settings_file.h"

namespace pelmora::app {

namespace {

// Main view columns, left to right, by sort key: 差出人, 宛先, 件名,
// 送信日時, 受信日時, サイズ. The settings' C0Width ... C5Width follow
// this order, so it MUST NOT change.
const std::vector<int> kMainColumns = {KeySender, KeyRecipients, KeySubject, KeySent, KeyReceived, KeySize};

constexpr int kPanel0Width = 150;
constexpr int kPanel1Width = 400;

}  // namespace

QRect FitOnScreen(const QRect& remembered) {
    // The screen the window was on, else the primary one: a window
    // remembered on a screen that is gone comes back on this one.
    const QScreen* screen = QGuiApplication::screenAt(remembered.center());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return remembered;
    const QRect area = screen->availableGeometry();
    const QSize size(
        std::clamp(remembered.width(), kMinimumWidth, std::max(area.width(), kMinimumWidth)),
        std::clamp(remembered.height(), kMinimumHeight, std::max(area.height(), kMinimumHeight)));
    // The whole window on the screen, so its title bar and menus can be
    // reached.
    const QPoint position(
        std::clamp(remembered.left(), area.left(), std::max(area.right() - size.width() + 1, area.left())),
        std::clamp(remembered.top(), area.top(), std::max(area.bottom() - size.height() + 1, area.top())));
    return QRect(position, size);
}

MainWindow::MainWindow(PortFactory& ports, std::filesystem::path settingsFile, const QStringList& arguments,
                       QWidget* parent)
    : QMainWindow(parent), m_portFactory(ports), m_settingsFile(std::move(settingsFile)) {
    setWindowTitle(window_text::kMainWindowTitle);
    setWindowIcon(programIcon());
    m_prompts = ports.makePrompts(this);
    m_progress = ports.makeProgress(this);
    m_shell = ports.makeShell(this);
    m_busyCursor = ports.makeBusyCursor();
    m_hints = new HintSwitch(this);
    qApp->installEventFilter(m_hints);

    // The layout of the menu band depends on the settings, so they are read
    // before the widgets are made.
    std::string settingsNotice;
    m_settings = LoadSettings(m_settingsFile, &settingsNotice);
    if (!settingsNotice.empty()) m_prompts->warning(settingsNotice);
    m_hints->setEnabled(m_settings.ShowHint);
    if (m_settings.EditorName.empty() || m_settings.EditorName == kWindowsDefaultEditor)
        m_settings.EditorName = PlatformDefaultEditor();
    buildActions();
    buildWidgets();
    buildMenus();
    applySettings();

    // A remembered folder that has gone is forgotten without a word.
    std::error_code error;
    if (!m_settings.emlDir.empty() && !std::filesystem::is_directory(m_settings.emlDir, error))
        m_settings.emlDir.clear();
    m_settings.emlDir = StartFolder(arguments, m_settings.emlDir, *m_prompts);

    buildSearchWindow();
    updateListHint();
    UpdateCommandStates();
    // Typing goes to the list from the start (type-ahead, Enter, Ctrl+A).
    LV1()->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(m_hints);
    delete m_formFind;
    // The view must not draw entries that are gone.
    LV1()->setModel(nullptr);
    m_list.clear();
    delete m_pane;
}

void MainWindow::buildActions() {
    auto make = [this](const QString& caption, const QKeySequence& key, void (MainWindow::*handler)()) {
        auto* action = new QAction(caption, this);
        if (!key.isEmpty()) action->setShortcut(key);
        // Keys reach the window whichever control has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
        return action;
    };
    Actions& a = m_actions;
    a.AOpenFolder1 =
        make(window_text::kOpenFolderCaption, QKeySequence(Qt::Key_Backspace), &MainWindow::OpenFolder1Click);
    setCommandHint(a.AOpenFolder1, CommandIcon::OpenFolder, window_text::kOpenFolderHint);
    a.AExit1 = make(window_text::kExitCaption, {}, &MainWindow::Exit1Click);
    a.AMessageFind1 =
        make(window_text::kMessageFindCaption, QKeySequence(Qt::Key_F3), &MainWindow::MessageFind1Click);
    setCommandHint(a.AMessageFind1, CommandIcon::MessageFind, window_text::kMessageFindHint);
    a.AShowFolderTree1 = make(window_text::kShowFolderTreeCaption, {}, &MainWindow::ShowFolderTree1Click);
    a.AShowFolderTree1->setCheckable(true);
    a.AIncludeSubfolders1 =
        make(window_text::kIncludeSubfoldersCaption, {}, &MainWindow::IncludeSubfolders1Click);
    a.AIncludeSubfolders1->setCheckable(true);
    a.ARefresh1 = make(window_text::kRefreshCaption, QKeySequence(Qt::Key_F5), &MainWindow::Refresh1Click);
    a.ARefresh1->setEnabled(false);
    a.AOption1 = make(window_text::kOptionCaption, {}, &MainWindow::Option1Click);
    a.AShowHint1 = make(window_text::kShowHintCaption, {}, &MainWindow::ShowHint1Click);
    a.AShowHint1->setCheckable(true);
    a.AAbout1 = make(window_text::kAboutCaption, {}, &MainWindow::About1Click);
}

void MainWindow::buildWidgets() {
    const MenuBand band = MakeMenuBand(this, MainWindowLayout(m_settings));
    m_band = band.band;
    m_menuBar = band.menuBar;
    m_toolBar = band.toolBar;
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    setMenuWidget(m_band);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_captionStrip = new FolderCaption(central);
    connect(m_captionStrip, &FolderCaption::clicked, this, &MainWindow::OpenFolder1Click);
    layout->addWidget(m_captionStrip);

    m_splitter = new QSplitter(Qt::Horizontal, central);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setHandleWidth(kSplitterWidth);
    m_splitter->setChildrenCollapsible(false);
    buildFolderTree();

    m_pane =
        new ListPane(*this, ListPane::Owner::MainWindow, m_list, kMainColumns, m_settings.VSort,
                     window_text::kSelAllCaption,
                     {*m_prompts, *m_progress, *m_shell, platform::SystemFileSystem(), *m_busyCursor, m_busy,
                      m_settings, [this](const QString& prompt, const std::filesystem::path& start) {
                          return m_portFactory.chooseFolder(this, prompt, start);
                      }});
    m_pane->updateCommandStates = [this] { UpdateCommandStates(); };
    m_pane->displayNames = [this] { return displayNameLookup(); };
    m_pane->listFolder = [this] { return m_settings.emlDir; };
    m_pane->showDuplicateCaption = [this] {
        m_captionStrip->setText(folderCaption() + fromCp932(DuplicateCaptionSuffix()));
    };
    LV1()->setObjectName(QStringLiteral("LV1"));
    m_pane->popupMenu()->setObjectName(QStringLiteral("PopupMenu1"));
    m_splitter->addWidget(m_pane->listArea());
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    connect(m_splitter, &QSplitter::splitterMoved, this, &MainWindow::Splitter1Moved);
    layout->addWidget(m_splitter, 1);
    setCentralWidget(central);

    QStatusBar* bar = QMainWindow::statusBar();
    bar->setObjectName(QStringLiteral("SB1"));
    m_pane->addStatusPanels(*bar, kPanel0Width, kPanel1Width);
    m_hintPanel = new QLabel(bar);
    m_hintPanel->setObjectName(QStringLiteral("HintPanel"));
    m_hintPanel->setTextFormat(Qt::PlainText);
    m_hintPanel->setMinimumWidth(1);
    m_hintPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_hintPanel, 1);
    m_statusProgress = new QProgressBar(bar);
    m_statusProgress->setTextVisible(false);
    m_statusProgress->setMaximumWidth(200);
    m_statusProgress->hide();
    bar->addPermanentWidget(m_statusProgress);
}

void MainWindow::buildMenus() {
    const Actions& a = m_actions;
    const ListPane::Actions& list = m_pane->actions();
    QMenu* file = addCommandMenu(*m_menuBar, window_text::kFileMenu);
    file->addAction(a.AOpenFolder1);
    file->addSeparator();
    file->addAction(a.AExit1);
    QMenu* edit = addCommandMenu(*m_menuBar, window_text::kEditMenu);
    edit->addActions({list.AMessageOpen1, list.AMessageEdit1, list.AMessageDelete1, list.AAttachDelete1,
                      list.AAttachSave1, list.ASelAll1});
    edit->addSeparator();
    edit->addAction(a.AMessageFind1);
    QMenu* view = addCommandMenu(*m_menuBar, window_text::kViewMenu);
    view->addActions(
        {a.AShowFolderTree1, a.AIncludeSubfolders1, list.APreview1, list.ADupCheck1, a.ARefresh1});
    QMenu* tools = addCommandMenu(*m_menuBar, window_text::kToolsMenu);
    tools->addActions({a.AOption1, list.AListMessage1});
    QMenu* help = addCommandMenu(*m_menuBar, window_text::kHelpMenu);
    help->addActions({a.AShowHint1, a.AAbout1});
    // Whichever menu opens shows the hint setting as it is now.
    for (QMenu* menu : {file, edit, view, tools, help})
        connect(menu, &QMenu::aboutToShow, this,
                [this] { m_actions.AShowHint1->setChecked(m_settings.ShowHint); });

    m_toolBar->addAction(a.AOpenFolder1);
    m_toolBar->addSeparator();
    m_toolBar->addActions(
        {list.AMessageOpen1, list.AMessageEdit1, list.AMessageDelete1, list.AAttachDelete1});
    m_toolBar->addSeparator();
    m_toolBar->addAction(a.AMessageFind1);
}

// The list's commands are the pane's; the window's own commands follow
// the folder and the busy state where they change.
void MainWindow::UpdateCommandStates() {
    m_pane->applyCommandStates();
}

void MainWindow::applySettings() {
    const Settings& s = m_settings;
    const WindowLayout layout = MainWindowLayout(m_settings);
    ApplyGeometry(*this, layout);

    m_actions.AShowFolderTree1->setChecked(s.FolderTree);
    if (s.FolderTree) {
        const int tree = std::max(s.STV1Width, kTreeMinimumWidth);
        m_splitter->setSizes({tree, std::max(width() - tree - kSplitterWidth, 1)});
    } else {
        m_folderTree->hide();
    }
    ApplyColumnWidths(*LV1()->header(), layout);
    m_actions.AIncludeSubfolders1->setChecked(s.ListSubFolders);
    showFolderColumn();
    m_pane->listPort().setSortKey(s.VSort);
    m_pane->applyPreviewLayout(s.Preview, s.PreviewHeight);
    m_actions.AShowHint1->setChecked(s.ShowHint);
}

void MainWindow::collectSettings() {
    Settings& s = m_settings;
    WindowLayout layout = MainWindowLayout(m_settings);
    CollectGeometry(*this, layout);
    s.FolderTree = m_actions.AShowFolderTree1->isChecked();
    s.STV1Width = treeWidth();
    CollectColumnWidths(*LV1()->header(), layout);
    layout.sortKey = m_pane->listPort().sortKey();
    m_pane->collectPreviewLayout(s.Preview, s.PreviewHeight);
}

const DisplayNameLookup* MainWindow::displayNameLookup() const {
    return m_settings.ConvDisplayName && m_displayNamesBuilt ? &m_displayNames : nullptr;
}

void MainWindow::saveSettings() {
    if (m_settingsSaved) return;
    m_settingsSaved = true;
    // The search window hands its settings over and goes first.
    if (m_formFind) {
        m_formFind->storeSettings();
        delete m_formFind;
        m_formFind = nullptr;
    }
    collectSettings();
    if (auto saved = SaveSettings(m_settings, m_settingsFile); !saved)
        m_prompts->warning(SettingsSaveErrorText(saved.error()));
}

int MainWindow::treeWidth() const {
    return m_folderTree->isHidden() ? 0 : m_splitter->sizes().value(0);
}

ports::ListView& MainWindow::listView() {
    return m_pane->listPort();
}

ports::StatusBar& MainWindow::statusBar() {
    return m_pane->statusPort();
}

MessageListView* MainWindow::LV1() const {
    return m_pane->view();
}

QMenu* MainWindow::PopupMenu1() const {
    return m_pane->popupMenu();
}

QString MainWindow::panelText(int panel) const {
    if (panel == 0 || panel == 1) return m_pane->statusPanel(panel)->text();
    if (panel == 2) return m_hintPanel->text();
    return {};
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The first load waits until the window is on screen.
    if (!m_activated) QMetaObject::invokeMethod(this, &MainWindow::firstActivation, Qt::QueuedConnection);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_activated)
        QMetaObject::invokeMethod(this, &MainWindow::firstActivation, Qt::QueuedConnection);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // QMainWindow would show the hint as the status bar's message, which
        // hides both panels while it is there.
        m_hintPanel->setText(m_settings.ShowHint ? static_cast<QStatusTipEvent*>(event)->tip() : QString());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_busy.task() == BusyGuard::Task::Load) {
        // A load in progress ends first; the window closes right after.
        m_progress->requestAbort();
        event->ignore();
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    saveSettings();
    event->accept();
}

void MainWindow::Exit1Click() {
    // The settings are written as the window closes.
    close();
}

void MainWindow::bringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

}  // namespace pelmora::app
