// SPDX-License-Identifier: MIT
// TForm1, the main window: the folder tree, the folder caption strip, the
// message list of the current folder, its commands and the status bar.
// The commands are split over several files by group: main_window.cpp
// (building the window, settings), main_window_folder.cpp (current folder,
// loads, tree), main_window_options.cpp (options, hints, about) and
// main_window_search.cpp (the search window and the way back from it); the
// commands on the listed messages are the list pane's (list_pane.cpp).
#pragma once

#include <QMainWindow>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "addressbook/address_books.h"
#include "app/busy_guard.h"
#include "message/msg_item.h"
#include "ports/busy_cursor.h"
#include "ports/list_view.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/shell.h"
#include "ports/status_bar.h"
#include "settings/settings.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QSplitter;
class QTimer;
class QToolBar;
class QTreeView;

namespace pelmora::app {

class FolderCaption;
class FolderTreeModel;
class HintSwitch;
class ListPane;
class MessageListView;
class OptionsDialog;
class PortFactory;
class SearchWindow;
class SingleInstance;

inline constexpr int kSplitterWidth = 3;
inline constexpr int kTreeMinimumWidth = 50;
inline constexpr int kTreeShownWidth = 200;
inline constexpr int kMinimumWidth = 200;
inline constexpr int kMinimumHeight = 150;

// The main window's remembered frame made to fit the available area of the
// screen it was on (else the primary screen): no larger than that area, and
// moved so that all of it lies on it.
QRect FitOnScreen(const QRect& remembered);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Reads the settings from settingsFile and decides the current folder
    // from them and from the command-line arguments (those after the
    // program name). Nothing is loaded until the window is first shown.
    MainWindow(PortFactory& ports, std::filesystem::path settingsFile, const QStringList& arguments,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The first-activation step: draws, builds the display names when
    // asked, selects the current folder in the tree and loads it. Runs
    // once; later calls do nothing.
    void firstActivation();
    // A second start of the program asked for this window.
    void bringToFront();
    // A second start was given folder: the window comes to the front and,
    // unless a dialog or a command holds it, lists that folder (a load in
    // progress gives way). A folder that does not exist is said, as at
    // start-up, and the current folder stays.
    void openFolderOfAnotherStart(const QString& folder);
    // Answers the requests of later starts that instance receives.
    void acceptSecondStarts(SingleInstance& instance);
    // Writes the settings file; runs once, when the window closes.
    void saveSettings();

    // The window's own commands, each with its menu caption; the names are
    // the handlers' names. The commands on the listed messages are the list
    // pane's (pane()).
    void OpenFolder1Click();         // フォルダを開く(&F)...
    void Refresh1Click();            // 最新の情報に更新(&R)
    void Exit1Click();               // 終了(&X)
    void ShowFolderTree1Click();     // フォルダツリー(&F)
    void IncludeSubfolders1Click();  // サブフォルダを含める(&S)
    void Option1Click();             // オプション(&O)...
    void MessageFind1Click();        // メッセージ検索(&F)
    void ShowHint1Click();           // ヒントを表示する(&H)
    void About1Click();              // このプログラムについて(&A)
    void UpdateCommandStates();

    // Rebuilds the list from the current folder.
    void LoadFolder();

    // The window's own actions; those of the list are pane().actions().
    struct Actions {
        QAction* AOpenFolder1 = nullptr;
        QAction* AExit1 = nullptr;
        QAction* AMessageFind1 = nullptr;
        QAction* AShowFolderTree1 = nullptr;
        QAction* AIncludeSubfolders1 = nullptr;
        QAction* ARefresh1 = nullptr;
        QAction* AOption1 = nullptr;
        QAction* AShowHint1 = nullptr;
        QAction* AAbout1 = nullptr;
    };
    const Actions& actions() const { return m_actions; }

    // What tests and the search window look at.
    ports::ListView& listView();
    ports::StatusBar& statusBar();
    MsgList& msgList() { return m_list; }
    MessageListView* LV1() const;
    QTreeView* STV1() const { return m_folderTree; }
    FolderCaption* captionStrip() const { return m_captionStrip; }
    QMenu* PopupMenu1() const;
    QString panelText(int panel) const;
    const Settings& settings() const { return m_settings; }
    // The address book while the list shows its names, else null.
    const DisplayNameLookup* displayNameLookup() const;
    ListPane& pane() { return *m_pane; }
    const std::filesystem::path& currentFolder() const { return m_settings.emlDir; }
    bool treeReacts() const { return m_treeReacts; }
    int treeWidth() const;
    // TForm2, made at the first use and kept.
    OptionsDialog& optionsDialog();
    // TFormFind, made with the window; null once the settings are written.
    SearchWindow* formFind() const { return m_formFind; }
    // Used by the folder tree's search entry instead of the current folder.
    void setSearchLocationOverride(const std::filesystem::path& folder) { m_searchLocation = folder; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // main_window.cpp
    void buildWidgets();
    void buildActions();
    void buildMenus();
    void applySettings();
    void collectSettings();

    // main_window_folder.cpp
    void buildFolderTree();
    void STV1Change();
    void Splitter1Moved();
    void selectFolderInTree(const std::filesystem::path& folder);
    // Scrolls folder to the top of the tree, expanded, without choosing it.
    void showFolderInTree(const std::filesystem::path& folder);
    void resetFolderTree();
    void keepTreeFolderInView();
    void showTreeMenu(const QPoint& position);
    void buildDisplayNames();
    void buildSearchWindow();
    void selectFoundMessage(const std::string& subject, std::int64_t dupHash);
    bool currentFolderExists() const;

    // main_window_subfolders.cpp
    // The folder strip's text: the current folder, and that its subfolders
    // are listed too when they are.
    QString folderCaption() const;
    // The folder column, with each message's folder relative to the current
    // one, is there while the subfolders are listed.
    void showFolderColumn();
    void updateListHint();

    PortFactory& m_portFactory;
    std::unique_ptr<ports::Prompts> m_prompts;
    std::unique_ptr<ports::Progress> m_progress;
    std::unique_ptr<ports::Shell> m_shell;
    std::unique_ptr<ports::BusyCursor> m_busyCursor;

    std::filesystem::path m_settingsFile;
    Settings m_settings;
    bool m_settingsSaved = false;

    MsgList m_list;
    LineList m_msgLines;
    DisplayNameDirectory m_displayNames;
    // What the last build read, and the files it looked at: a load rebuilds
    // the directory when one of them changed.
    DirectoryReport m_bookReport;
    bool m_displayNamesBuilt = false;
    // The books skipped by the last build, said after the next load; each
    // skip is said once while the program runs.
    std::string m_bookNotice;
    std::set<std::string> m_bookNoticesShown;

    QWidget* m_band = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    FolderCaption* m_captionStrip = nullptr;
    QSplitter* m_splitter = nullptr;
    QTreeView* m_folderTree = nullptr;
    FolderTreeModel* m_folders = nullptr;
    ListPane* m_pane = nullptr;
    // Hints of menu items and tool buttons: beside the two panels, never
    // over them as QStatusBar's own messages would be.
    QLabel* m_hintPanel = nullptr;
    QProgressBar* m_statusProgress = nullptr;
    HintSwitch* m_hints = nullptr;
    OptionsDialog* m_optionsDialog = nullptr;
    SearchWindow* m_formFind = nullptr;
    std::filesystem::path m_searchLocation;
    Actions m_actions;

    // Off while the program itself moves the tree's selection, so that only
    // the user's choices load a folder; off until the first activation.
    bool m_treeReacts = false;
    bool m_activated = false;
    // Shared with the search window: a load, a search run and the commands
    // of either window never run inside one another.
    BusyGuard m_busy;
    // A folder chosen in the tree while a load ran: loaded when it ends.
    bool m_reloadWhenDone = false;
    std::filesystem::path m_treeScrollPending;
    // Where that folder is kept: the current folder anywhere in view, the
    // home folder at the top.
    int m_treeScrollHint = 0;
    QTimer* m_treeSettled = nullptr;
};

}  // namespace pelmora::app
