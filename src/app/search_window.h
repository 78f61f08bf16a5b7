// SPDX-License-Identifier: MIT
// TFormFind, the search window: the folder and the conditions, the result
// list FoundList with the list commands of the main window, and the field
// histories. Made once after the main window and only hidden when closed,
// so conditions, results and histories last until the program ends.
// The window is split by concern: search_window.cpp (building, settings,
// events), search_window_conditions.cpp (fields, dates, histories, the
// runs).
#pragma once

#include <QDialog>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>

#include "message/header_reader.h"
#include "ports/busy_cursor.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/shell.h"
#include "search/search_run.h"
#include "settings/settings.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QToolBar;

namespace pelmora::app {

class BusyGuard;
class ListPane;
class MessageListView;
class PortFactory;

// What the search window asks of the main window.
struct SearchWindowHost {
    // The reader's options as the main list reads (display names, key).
    std::function<ReaderOptions()> readerOptions;
    std::function<void()> showHint1Click;
    std::function<void()> about1Click;
};

class SearchWindow : public QDialog {
    Q_OBJECT
public:
    // settings: the main window's, from which the window takes its layout,
    // subfolder switch and histories, and to which storeSettings hands them.
    SearchWindow(PortFactory& ports, Settings& settings, BusyGuard& guard, SearchWindowHost host,
                 QWidget* parent = nullptr);
    ~SearchWindow() override;

    // Copies geometry, band, column widths, sort key, subfolder switch and
    // histories into the settings; the main window then writes them.
    void storeSettings();

    // The folder field, as the main window fills it before showing the window.
    void setFolder(const std::filesystem::path& folder);
    std::filesystem::path folder() const;

    // -1 before the window opens; the row chosen with 終了して含まれている
    // フォルダを開く when it closes.
    int FoundIndex = -1;
    MsgList& foundList() { return m_session.FoundList; }

    void UpdateSearchButtons();
    void UpdateFindActions();
    // The buttons' handlers, each with its button's caption.
    void startSearch();         // Button2 検索開始
    void narrowSearch();        // Button3 絞込み検索
    void clearConditions();     // Button4 条件クリア
    void askClearHistories();   // Button5 履歴クリア
    void FindFileOpen1Click();  // 終了して含まれているフォルダを開く(&P)

    struct Actions {
        QAction* AFindFileOpen1 = nullptr;
        QAction* AExit1 = nullptr;
        QAction* AShowHint1 = nullptr;
        QAction* AAbout1 = nullptr;
    };
    const Actions& actions() const { return m_actions; }
    ListPane& pane() { return *m_pane; }

    // What tests and screenshots look at.
    QLineEdit* folderEdit() const { return m_folderEdit; }
    QPushButton* browseButton() const { return m_browseButton; }
    QPushButton* startButton() const { return m_startButton; }
    QPushButton* narrowButton() const { return m_narrowButton; }
    QPushButton* clearConditionsButton() const { return m_clearConditionsButton; }
    QPushButton* clearHistoriesButton() const { return m_clearHistoriesButton; }
    // The fields by number: 1 差出人, 2 宛先, 3 件名, 4 メッセージ.
    QComboBox* field(int number) const { return m_fields.at(static_cast<std::size_t>(number - 1)); }
    QCheckBox* attachmentsOnly() const { return m_attachmentsOnly; }
    QCheckBox* includeSubfolders() const { return m_includeSubfolders; }
    QDateEdit* picker(int number) const { return m_pickers.at(static_cast<std::size_t>(number - 1)); }
    QCheckBox* pickerCheck(int number) const {
        return m_pickerChecks.at(static_cast<std::size_t>(number - 1));
    }
    MessageListView* LV2() const;
    QMenu* popupMenu() const;
    QString panelText(int panel) const;
    const SearchConditions& conditions() const { return m_conditions; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    // search_window.cpp
    void buildActions();
    void buildWidgets();
    QWidget* buildConditions();
    void buildFolderRow(QGridLayout& grid);
    void buildFields(QGridLayout& grid);
    void buildDateRow(QGridLayout& grid);
    void buildButtons(QGridLayout& grid);
    void buildMenus();
    void applySettings();
    void chooseFolder();  // Button1 参照...
    bool closeListOnEscape(QObject* watched, QEvent* event);

    // search_window_conditions.cpp
    void fieldChanged(int number);
    void updateHistory(int number);
    void pickerChanged();
    bool rangeReversed() const;
    void clearHistories();
    void runWith(const std::function<void(SearchPorts&)>& run);

    PortFactory& m_portFactory;
    Settings& m_settings;
    BusyGuard& m_busy;
    SearchWindowHost m_host;
    std::unique_ptr<ports::Prompts> m_prompts;
    std::unique_ptr<ports::Progress> m_progress;
    std::unique_ptr<ports::Shell> m_shell;
    std::unique_ptr<ports::BusyCursor> m_busyCursor;

    SearchSession m_session;
    SearchConditions m_conditions;
    DateTime m_dateFrom = 0;
    DateTime m_dateTo = 0;

    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    // Each control keeps its documented object name (Edit1, CheckBox6,
    // CheckBox3, CB1 to CB4, DateTimePicker1 and 2, Button1 to Button5).
    QLineEdit* m_folderEdit = nullptr;
    QCheckBox* m_includeSubfolders = nullptr;
    QCheckBox* m_attachmentsOnly = nullptr;
    std::array<QComboBox*, 4> m_fields{};
    std::array<QDateEdit*, 2> m_pickers{};
    std::array<QCheckBox*, 2> m_pickerChecks{};
    QPushButton* m_browseButton = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_narrowButton = nullptr;
    QPushButton* m_clearConditionsButton = nullptr;
    QPushButton* m_clearHistoriesButton = nullptr;
    ListPane* m_pane = nullptr;
    Actions m_actions;
};

}  // namespace pelmora::app
