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
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>

#include <system_error>

#include "app/icons.h"
#include "app/main_window_caption.h"
#include "app/main_window_options.h"
#include "app/main_window_ports.h"
#include "app/main_window_startup.h"
#include "app/message_list_model.h"
#include "app/qt_list_view.h"
#include "app/qt_ports.h"
#include "app/qtext.h"
#include "catalogue/ordering.h"

namespace pelmora::app {

namespace {

// Main view columns, left to right, by sort key: 差出人, 宛先, 件名,
// 送信日時, 受信日時, サイズ. The settings' C0Width ... C5Width follow
// this order, so it MUST NOT change.
const std::vector<int> kMainColumns = {KeySender, KeyRecipients, KeySubject, KeySent, KeyReceived, KeySize};

constexpr int kPanel0Width = 150;
constexpr int kPanel1Width = 400;

}  // namespace

MainWindow::MainWindow(PortFactory& ports, std::filesystem::path settingsFile, const QStringList& arguments,
                       QWidget* parent)
    : QMainWindow(parent), m_portFactory(ports), m_settingsFile(std::move(settingsFile)) {
    setWindowTitle(QStringLiteral(u"Pelmora - emlファイルの一覧表示、重複チェック削除、添付ファイル削除"));
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

    ResetColumnCaptions(*m_listPort);
    UpdateCommandStates();
    // Typing goes to the list from the start (type-ahead, Enter, Ctrl+A).
    m_lv1->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(m_hints);
    // The list's entries point at the view port; the port goes first.
    m_lv1->setModel(nullptr);
    m_list.clear();
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
    auto hint = [](QAction* action, CommandIcon icon, const QString& text) {
        action->setIcon(commandIcon(icon));
        action->setToolTip(text);
        action->setStatusTip(text);
    };
    Actions& a = m_actions;
    a.AOpenFolder1 = make(QStringLiteral(u"フォルダを開く(&F)..."), QKeySequence(Qt::Key_Backspace), &MainWindow::OpenFolder1Click);
    hint(a.AOpenFolder1, CommandIcon::OpenFolder, QStringLiteral(u"フォルダを開く"));
    a.AExit1 = make(QStringLiteral(u"終了(&X)"), {}, &MainWindow::Exit1Click);
    a.AMessageOpen1 = make(QStringLiteral(u"メッセージを開く(&M)"), QKeySequence(Qt::Key_Return), &MainWindow::MessageOpen1Click);
    a.AMessageOpen1->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    hint(a.AMessageOpen1, CommandIcon::MessageOpen, QStringLiteral(u"メッセージを開く"));
    a.AMessageEDit1 = make(QStringLiteral(u"エディタで開く(&E)"), QKeySequence(Qt::CTRL | Qt::Key_E), &MainWindow::MessageEdit1Click);
    hint(a.AMessageEDit1, CommandIcon::MessageEdit, QStringLiteral(u"エディタで開く"));
    a.AMessageDelete1 = make(QStringLiteral(u"削除(&D)"), QKeySequence(Qt::CTRL | Qt::Key_Delete), &MainWindow::MessageDelete1Click);
    hint(a.AMessageDelete1, CommandIcon::MessageDelete, QStringLiteral(u"削除"));
    a.AAttachDelete1 = make(QStringLiteral(u"添付ファイルの削除(&L)"), QKeySequence(Qt::CTRL | Qt::Key_L), &MainWindow::AttachDelete1Click);
    hint(a.AAttachDelete1, CommandIcon::AttachDelete, QStringLiteral(u"添付ファイルの削除"));
    a.ASelAll1 = make(QStringLiteral(u"すべて選択(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A), &MainWindow::SelAll1Click);
    // The search window comes later; until then the command is shown, off.
    a.AMessageFind1 = make(QStringLiteral(u"メッセージ検索(&F)"), QKeySequence(Qt::Key_F3), &MainWindow::UpdateCommandStates);
    hint(a.AMessageFind1, CommandIcon::MessageFind, QStringLiteral(u"メッセージ検索"));
    a.AMessageFind1->setEnabled(false);
    a.AShowFolderTree1 = make(QStringLiteral(u"フォルダツリー(&F)"), {}, &MainWindow::ShowFolderTree1Click);
    a.AShowFolderTree1->setCheckable(true);
    a.ADupCheck1 = make(QStringLiteral(u"重複メッセージ(&K)"), QKeySequence(Qt::CTRL | Qt::Key_K), &MainWindow::Dupcheck1Click);
    a.ARefresh1 = make(QStringLiteral(u"最新の情報に更新(&R)"), QKeySequence(Qt::Key_F5), &MainWindow::Refresh1Click);
    a.ARefresh1->setEnabled(false);
    a.AOption1 = make(QStringLiteral(u"オプション(&O)..."), {}, &MainWindow::Option1Click);
    a.AListMessage1 = make(QStringLiteral(u"リストの作成(&L)..."), {}, &MainWindow::ListMessage1Click);
    a.AShowHint1 = make(QStringLiteral(u"ヒントを表示する(&H)"), {}, &MainWindow::ShowHint1Click);
    a.AShowHint1->setCheckable(true);
    a.AAbout1 = make(QStringLiteral(u"このプログラムについて(&A)"), {}, &MainWindow::About1Click);
}

void MainWindow::buildWidgets() {
    // The band: the menu bar and, to its right (or below it when the second
    // band breaks its row), the tool bar.
    m_band = new QWidget(this);
    QBoxLayout* bandLayout = m_settings.CoolBarBreak1 ? static_cast<QBoxLayout*>(new QVBoxLayout(m_band))
                                                      : static_cast<QBoxLayout*>(new QHBoxLayout(m_band));
    bandLayout->setContentsMargins(0, 0, 0, 0);
    bandLayout->setSpacing(0);
    m_menuBar = new QMenuBar(m_band);
    m_toolBar = new QToolBar(m_band);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setIconSize(QSize(20, 20));
    m_toolBar->setMovable(false);
    bandLayout->addWidget(m_menuBar);
    bandLayout->addWidget(m_toolBar, 1);
    setMenuWidget(m_band);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_label1 = new FolderCaption(central);
    connect(m_label1, &FolderCaption::clicked, this, &MainWindow::OpenFolder1Click);
    layout->addWidget(m_label1);

    m_splitter = new QSplitter(Qt::Horizontal, central);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setHandleWidth(kSplitterWidth);
    m_splitter->setChildrenCollapsible(false);
    buildFolderTree();

    m_lv1 = new MessageListView(m_splitter);
    m_lv1->setObjectName(QStringLiteral("LV1"));
    m_model = new MessageListModel(m_list, kMainColumns, this);
    m_lv1->setModel(m_model);
    m_listPort = std::make_unique<QtListView>(*m_lv1, *m_model, m_settings.VSort);
    m_listPort->setSelectionChangedHandler([this] { onSelectionChanged(); });
    m_lv1->setFindHandler([this](int start, const QString& typed) {
        return ProcLV1DataFind(FindKind::PartialString, *m_listPort, m_list, start, toCp932(typed));
    });
    connect(m_lv1->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        ProcLV1ColumnClick(*m_listPort, column, m_list, m_prompts.get());
    });
    connect(m_lv1, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) MessageOpen1Click();
    });
    m_lv1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lv1, &QWidget::customContextMenuRequested, this, &MainWindow::showPopupMenu1);
    m_splitter->addWidget(m_lv1);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    connect(m_splitter, &QSplitter::splitterMoved, this, &MainWindow::Splitter1Moved);
    layout->addWidget(m_splitter, 1);
    setCentralWidget(central);

    QStatusBar* bar = QMainWindow::statusBar();
    bar->setObjectName(QStringLiteral("SB1"));
    m_panel0 = new QLabel(bar);
    m_panel1 = new QLabel(bar);
    for (QLabel* panel : {m_panel0, m_panel1}) {
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
    }
    m_panel0->setFixedWidth(kPanel0Width);
    m_panel1->setFixedWidth(kPanel1Width);
    bar->addWidget(m_panel0);
    bar->addWidget(m_panel1);
    m_statusProgress = new QProgressBar(bar);
    m_statusProgress->setTextVisible(false);
    m_statusProgress->setMaximumWidth(200);
    m_statusProgress->hide();
    bar->addPermanentWidget(m_statusProgress);
    m_statusPort = std::make_unique<QtStatusBar>(std::vector<QLabel*>{m_panel0, m_panel1});
}

void MainWindow::buildMenus() {
    const Actions& a = m_actions;
    QMenu* file = m_menuBar->addMenu(QStringLiteral(u"ファイル(&F)"));
    file->addAction(a.AOpenFolder1);
    file->addSeparator();
    file->addAction(a.AExit1);
    QMenu* edit = m_menuBar->addMenu(QStringLiteral(u"編集(&E)"));
    edit->addActions({a.AMessageOpen1, a.AMessageEDit1, a.AMessageDelete1, a.AAttachDelete1, a.ASelAll1});
    edit->addSeparator();
    edit->addAction(a.AMessageFind1);
    QMenu* view = m_menuBar->addMenu(QStringLiteral(u"表示(&V)"));
    view->addActions({a.AShowFolderTree1, a.ADupCheck1, a.ARefresh1});
    QMenu* tools = m_menuBar->addMenu(QStringLiteral(u"ツール(&T)"));
    tools->addActions({a.AOption1, a.AListMessage1});
    QMenu* help = m_menuBar->addMenu(QStringLiteral(u"ヘルプ(&H)"));
    help->addActions({a.AShowHint1, a.AAbout1});
    // Whichever menu opens shows the hint setting as it is now.
    for (QMenu* menu : {file, edit, view, tools, help})
        connect(menu, &QMenu::aboutToShow, this, [this] { m_actions.AShowHint1->setChecked(m_settings.ShowHint); });

    m_toolBar->addAction(a.AOpenFolder1);
    m_toolBar->addSeparator();
    m_toolBar->addActions({a.AMessageOpen1, a.AMessageEDit1, a.AMessageDelete1, a.AAttachDelete1});
    m_toolBar->addSeparator();
    m_toolBar->addAction(a.AMessageFind1);

    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_popupMenu1->addActions({a.AMessageOpen1, a.AMessageEDit1, a.AMessageDelete1, a.AAttachDelete1});
}

void MainWindow::applySettings() {
    const Settings& s = m_settings;
    resize(std::max(s.Width, 200), std::max(s.Height, 150));
    QPoint position(s.Left, s.Top);
    // A window remembered on a screen that is gone comes back on this one.
    const QRect wanted(position, size());
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(wanted);
    if (!onScreen && QGuiApplication::primaryScreen())
        position = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
    move(position);

    m_menuBar->setMinimumWidth(std::max(s.CoolBarWidth0, 0));

    m_actions.AShowFolderTree1->setChecked(s.FolderTree);
    if (s.FolderTree) {
        const int tree = std::max(s.STV1Width, kTreeMinimumWidth);
        m_splitter->setSizes({tree, std::max(width() - tree - kSplitterWidth, 1)});
    } else {
        m_stv1->hide();
    }
    for (int column = 0; column < static_cast<int>(s.CWidth.size()); ++column)
        m_lv1->header()->resizeSection(column, std::max(s.CWidth[static_cast<std::size_t>(column)], 0));
    m_listPort->setSortKey(s.VSort);
    m_actions.AShowHint1->setChecked(s.ShowHint);
}

void MainWindow::collectSettings() {
    Settings& s = m_settings;
    QRect frame(pos(), size());
    if (isMaximized() || isFullScreen() || isMinimized()) {
        // The size the window returns to, not the screen's.
        const QPoint frameOffset = geometry().topLeft() - pos();
        frame = QRect(normalGeometry().topLeft() - frameOffset, normalGeometry().size());
    }
    s.Width = frame.width();
    s.Height = frame.height();
    s.Top = frame.top();
    s.Left = frame.left();
    s.FolderTree = m_actions.AShowFolderTree1->isChecked();
    s.STV1Width = treeWidth();
    for (int column = 0; column < static_cast<int>(s.CWidth.size()); ++column)
        s.CWidth[static_cast<std::size_t>(column)] = m_lv1->header()->sectionSize(column);
    s.VSort = m_listPort->sortKey();
}

void MainWindow::saveSettings() {
    if (m_settingsSaved) return;
    m_settingsSaved = true;
    collectSettings();
    if (auto saved = SaveSettings(m_settings, m_settingsFile); !saved) m_prompts->warning(saved.error());
}

int MainWindow::treeWidth() const {
    return m_stv1->isHidden() ? 0 : m_splitter->sizes().value(0);
}

ui::ListView& MainWindow::listView() {
    return *m_listPort;
}

ui::StatusBar& MainWindow::statusBar() {
    return *m_statusPort;
}

QString MainWindow::panelText(int panel) const {
    if (panel == 0) return m_panel0->text();
    if (panel == 1) return m_panel1->text();
    return {};
}

void MainWindow::onSelectionChanged() {
    m_statusPort->setPanelText(1, SelectionCountText(m_listPort->selectedCount()));
    UpdateCommandStates();
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

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_loading) {
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
