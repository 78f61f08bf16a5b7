// SPDX-License-Identifier: MIT
// The current folder: the folder tree, the first activation, the open and
// refresh commands, the tree toggle and the folder load itself.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <optional>
#include <system_error>

#include "addressbook/address_books.h"
#include "addressbook/contacts_folder.h"
#include "app/folder_tree_model.h"
#include "app/folder_tree_view.h"
#include "app/main_window.h"
#include "app/main_window_caption.h"
#include "app/main_window_ports.h"
#include "app/main_window_startup.h"
#include "app/qt_list_view.h"
#include "app/qt_ports.h"
#include "app/qt_shell.h"
#include "app/qtext.h"
#include "app/single_instance.h"
#include "app/window_texts.h"
#include "catalogue/load.h"
#include "catalogue/scan.h"
#include "platform/xdg.h"
#include "texts/texts.h"

namespace pelmora::app {

namespace {

// How long the tree must stay unchanged before it counts as settled.
constexpr int kTreeSettleMs = 1500;

}  // namespace

void MainWindow::buildFolderTree() {
    // Home first, then the whole file system: a desktop user starts from home.
    m_folders = new FolderTreeModel(fromPath(platform::HomeFolder()), this);
    // The tree fills in and sorts itself in batches, long after the program
    // selected the current folder in it; keep that folder in view until the
    // tree has been quiet for a while or the user scrolls it.
    m_treeSettled = new QTimer(this);
    m_treeSettled->setSingleShot(true);
    m_treeSettled->setInterval(kTreeSettleMs);
    connect(m_treeSettled, &QTimer::timeout, this, [this] {
        keepTreeFolderInView();
        m_treeScrollPending.clear();
    });
    auto changed = [this] {
        if (m_treeScrollPending.empty()) return;
        m_treeSettled->start();
        QTimer::singleShot(0, this, &MainWindow::keepTreeFolderInView);
    };
    connect(m_folders, &QAbstractItemModel::rowsInserted, this, changed);
    connect(m_folders, &QAbstractItemModel::layoutChanged, this, changed);

    auto* tree = new FolderTreeView(m_splitter);
    m_folderTree = tree;
    m_folderTree->setObjectName(QStringLiteral("STV1"));
    m_folderTree->setModel(m_folders);
    m_folderTree->setHeaderHidden(true);
    m_folderTree->setUniformRowHeights(true);
    m_folderTree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_folderTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_folderTree->setMinimumWidth(kTreeMinimumWidth);
    m_folderTree->expand(m_folders->homeRow());
    connect(tree, &FolderTreeView::folderChosen, this, &MainWindow::STV1Change);
    connect(m_folderTree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { m_treeScrollPending.clear(); });
    m_folderTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_folderTree, &QWidget::customContextMenuRequested, this, &MainWindow::showTreeMenu);
    m_splitter->addWidget(m_folderTree);
}

bool MainWindow::currentFolderExists() const {
    std::error_code error;
    return !m_settings.emlDir.empty() && std::filesystem::is_directory(m_settings.emlDir, error);
}

void MainWindow::selectFolderInTree(const std::filesystem::path& folder) {
    const QModelIndex index = m_folders->indexOf(fromPath(folder));
    if (!index.isValid()) return;
    m_folderTree->setCurrentIndex(index);
    m_folderTree->scrollTo(index);
    m_treeScrollPending = folder;
    m_treeScrollHint = QAbstractItemView::EnsureVisible;
    m_treeSettled->start();
}

void MainWindow::showFolderInTree(const std::filesystem::path& folder) {
    const QModelIndex index = m_folders->indexOf(fromPath(folder));
    if (!index.isValid()) return;
    m_folderTree->expand(index);
    m_folderTree->scrollTo(index, QAbstractItemView::PositionAtTop);
    m_treeScrollPending = folder;
    m_treeScrollHint = QAbstractItemView::PositionAtTop;
    m_treeSettled->start();
}

void MainWindow::keepTreeFolderInView() {
    if (m_treeScrollPending.empty()) return;
    const QModelIndex current = m_folders->indexOf(fromPath(m_treeScrollPending));
    if (current.isValid())
        m_folderTree->scrollTo(current, static_cast<QAbstractItemView::ScrollHint>(m_treeScrollHint));
}

void MainWindow::resetFolderTree() {
    m_folderTree->collapseAll();
    m_folderTree->expand(m_folders->homeRow());
}

void MainWindow::STV1Change() {
    if (!m_treeReacts) return;
    const QModelIndex current = m_folderTree->currentIndex();
    if (!current.isValid()) return;
    const std::filesystem::path folder = toPath(m_folders->filePath(current));
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return;
    m_settings.emlDir = folder;
    LoadFolder();
}

void MainWindow::Splitter1Moved() {
    if (m_folderTree->isHidden()) return;
    QList<int> sizes = m_splitter->sizes();
    if (sizes.value(0) >= kTreeMinimumWidth) return;
    const int total = sizes.value(0) + sizes.value(1);
    m_splitter->setSizes({kTreeMinimumWidth, std::max(total - kTreeMinimumWidth, 1)});
}

void MainWindow::firstActivation() {
    if (m_activated) return;
    m_activated = true;
    // The window is drawn before anything slow starts.
    QCoreApplication::processEvents();
    // The address book's names are ready before the first list shows them.
    if (m_settings.ConvDisplayName) buildDisplayNames();
    // The tree shows the remembered folder. Without one the tree opens at the user's home, not at
    // the system's folders at the top of the root.
    if (currentFolderExists())
        selectFolderInTree(m_settings.emlDir);
    else
        showFolderInTree(platform::HomeFolder());
    m_treeReacts = true;
    // The remembered folder's list.
    if (!m_settings.emlDir.empty()) LoadFolder();
}

void MainWindow::buildDisplayNames() {
    ports::BusyScope busy(*m_busyCursor);
    // The address book has no count to show; the bar only says "working".
    m_statusProgress->setRange(0, 0);
    m_statusProgress->show();
    QCoreApplication::processEvents();
    auto built = BuildDisplayNameDirectory(m_displayNames, BookPlaces::ForUser(m_settings.AddressBookPath),
                                           &m_bookReport);
    m_displayNamesBuilt = true;
    m_statusProgress->hide();
    if (!built) m_prompts->error(ContactsErrorText(built.error()));
    m_bookNotice.clear();
    for (const BookReport* book : m_bookReport.skipped()) {
        std::string line = BookSkippedText(*book);
        if (!m_bookNoticesShown.insert(line).second) continue;
        if (!m_bookNotice.empty()) m_bookNotice += ' ';
        m_bookNotice += line;
    }
}

void MainWindow::LoadFolder() {
    if (m_busy.task() == BusyGuard::Task::Load) {
        // The user chose another folder while this one loads: stop this
        // load and start the other when it has ended.
        m_reloadWhenDone = true;
        m_progress->requestAbort();
        return;
    }
    if (m_busy.busy()) return;
    // A book that changed since the names were read gives its new names to
    // this list (a few system calls when none did).
    if (m_settings.ConvDisplayName && m_displayNamesBuilt && m_bookReport.booksChanged()) buildDisplayNames();
    std::optional<BusyGuard::Scope> loading(std::in_place, m_busy, BusyGuard::Task::Load);
    // Commands on the list must not run on the half-read list.
    UpdateCommandStates();
    m_actions.ARefresh1->setEnabled(false);
    m_actions.AOpenFolder1->setEnabled(false);
    LoadOutcome outcome = LoadOutcome::Loaded;
    do {
        m_reloadWhenDone = false;
        m_captionStrip->clear();
        // A copy: the current folder may change while events run.
        const std::filesystem::path folder = m_settings.emlDir;
        if (currentFolderExists()) m_captionStrip->setText(folderCaption());
        showFolderColumn();
        LoadFolderPorts ports{listView(), statusBar(), *m_progress, *m_prompts, *m_busyCursor};
        ReaderOptions options;
        options.DupCheckHeaders = m_settings.DupCheckHeaders;
        options.DisplayNames = m_settings.ConvDisplayName ? &m_displayNames : nullptr;
        options.KeepRawAddresses = false;
        ReaderContext reader{m_msgLines, options, *m_prompts};
        outcome = pelmora::LoadFolder(folder, m_list, ports, reader,
                                      m_settings.ListSubFolders ? Subfolders::Yes : Subfolders::No);
    } while (m_reloadWhenDone);
    loading.reset();
    updateListHint();
    if (!m_bookNotice.empty() && outcome == LoadOutcome::Loaded) {
        statusBar().setPanelText(1, m_bookNotice);
        m_bookNotice.clear();
    }
    m_actions.AOpenFolder1->setEnabled(true);
    m_actions.ARefresh1->setEnabled(outcome != LoadOutcome::FolderMissing);
    UpdateCommandStates();
}

void MainWindow::updateListHint() {
    // Until a folder is listed, the empty list says how to choose one.
    LV1()->setPlaceholderText(currentFolderExists() ? QString() : window_text::kNoFolderHint);
}

void MainWindow::OpenFolder1Click() {
    if (m_busy.busy()) return;
    // Without a current folder the browser starts at home, not in whatever
    // folder the program was started from.
    const std::filesystem::path start = currentFolderExists() ? m_settings.emlDir : platform::HomeFolder();
    const auto chosen = m_portFactory.chooseFolder(this, window_text::kChooseMailFolder, start);
    if (!chosen) return;
    m_settings.emlDir = LongFolderPath(*chosen);
    m_treeReacts = false;
    selectFolderInTree(m_settings.emlDir);
    m_treeReacts = true;
    LoadFolder();
}

void MainWindow::openFolderOfAnotherStart(const QString& folder) {
    bringToFront();
    // A question, a dialog or the search window is open, or a command
    // runs: raising is all. A load in progress gives way to the folder.
    const bool loading = m_busy.task() == BusyGuard::Task::Load;
    if (!loading && (m_busy.busy() || QApplication::activeModalWidget() != nullptr)) return;
    const std::filesystem::path chosen = StartFolder({folder}, {}, *m_prompts);
    if (chosen.empty()) return;
    m_settings.emlDir = chosen;
    // Before the first activation, that activation lists it.
    if (!m_activated) return;
    m_treeReacts = false;
    selectFolderInTree(m_settings.emlDir);
    m_treeReacts = true;
    LoadFolder();
}

void MainWindow::acceptSecondStarts(SingleInstance& instance) {
    connect(&instance, &SingleInstance::activationRequested, this, &MainWindow::bringToFront);
    connect(&instance, &SingleInstance::folderRequested, this, &MainWindow::openFolderOfAnotherStart);
}

void MainWindow::Refresh1Click() {
    if (m_busy.busy()) return;
    if (!m_settings.emlDir.empty() && !currentFolderExists()) {
        // The folder went away under the list: say so, and keep the list as
        // it was (its files may be gone too; the commands skip those).
        const std::string missing = text::FolderMissing(m_settings.emlDir.native());
        statusBar().setPanelText(1, missing);
        m_prompts->information(missing);
        return;
    }
    m_treeReacts = false;
    resetFolderTree();
    if (currentFolderExists()) selectFolderInTree(m_settings.emlDir);
    m_treeReacts = true;
    LoadFolder();
}

void MainWindow::ShowFolderTree1Click() {
    const bool show = m_actions.AShowFolderTree1->isChecked();
    const int listWidth = LV1()->width();
    if (show) {
        const bool reacted = m_treeReacts;
        m_treeReacts = false;
        resetFolderTree();
        m_folderTree->show();
        resize(width() + kTreeShownWidth + kSplitterWidth, height());
        m_splitter->setSizes({kTreeShownWidth, listWidth});
        if (currentFolderExists()) selectFolderInTree(m_settings.emlDir);
        m_treeReacts = reacted;
    } else {
        const int tree = treeWidth();
        m_folderTree->hide();
        resize(width() - tree - kSplitterWidth, height());
    }
}

void MainWindow::showTreeMenu(const QPoint& position) {
    const QModelIndex index = m_folderTree->indexAt(position);
    if (!index.isValid()) return;
    const QString folder = m_folders->filePath(index);
    QMenu menu(this);
    QAction* search = menu.addAction(window_text::kTreeMessageFindCaption);
    search->setEnabled(m_actions.AMessageFind1->isEnabled());
    connect(search, &QAction::triggered, this, [this, folder] {
        setSearchLocationOverride(toPath(folder));
        MessageFind1Click();
        setSearchLocationOverride({});
    });
    // The default entry is drawn bold, as the desktop's own menus do.
    menu.setDefaultAction(search);
    menu.addSeparator();
    QAction* open = menu.addAction(window_text::kTreeOpenInFileManagerCaption);
    connect(open, &QAction::triggered, this, [this, folder] {
        if (runOpener(QStringLiteral("xdg-open"), {folder}, kOpenerWaitMs) != OpenerRun::Failed) return;
        m_prompts->warning(toCp932(QLatin1Char('"') + folder + window_text::kCannotOpenQuotedSuffix) +
                           "\r\r" + toCp932(window_text::kCheckAssociationAdvice));
    });
    QAction* copy = menu.addAction(window_text::kTreeCopyPathCaption);
    connect(copy, &QAction::triggered, this, [folder] { QGuiApplication::clipboard()->setText(folder); });
    menu.exec(m_folderTree->viewport()->mapToGlobal(position));
}

}  // namespace pelmora::app
