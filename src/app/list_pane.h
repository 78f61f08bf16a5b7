// SPDX-License-Identifier: MIT
// A message list with everything that acts on it: the view and its model,
// the list-view and status-bar ports, the context menu and the commands on
// messages with their enabling rules. The main window owns one over
// MsgList, the search window one over FoundList; the operations behind the
// commands never learn which window called them.
#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "message/display_name_lookup.h"
#include "message/msg_item.h"
#include "ports/busy_cursor.h"
#include "ports/file_system.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/shell.h"
#include "ports/status_bar.h"
#include "settings/settings.h"

class QAction;
class QLabel;
class QStatusBar;
class QMenu;
class QSplitter;
class QWidget;

namespace pelmora::app {

class BusyGuard;
class MessageListModel;
class MessageListView;
class MessagePreview;
class QtListView;
class QtStatusBar;

// The services the commands hand to the operations; all outlive the pane.
struct ListPaneServices {
    ports::Prompts& prompts;
    ports::Progress& progress;
    ports::Shell& shell;
    // Where attachments are written and messages rewritten.
    ports::FileSystem& files;
    ports::BusyCursor& cursor;
    BusyGuard& guard;
    // EditorName, MsgListDir and AttachSaveDir.
    Settings& settings;
    // The folder browser; nullopt when the user cancels.
    std::function<std::optional<std::filesystem::path>(const QString& prompt,
                                                       const std::filesystem::path& start)>
        chooseFolder;
};

class ListPane : public QObject {
    Q_OBJECT
public:
    enum class Owner { MainWindow, SearchWindow };

    // window: where the commands' keys act. columnKeys: the sort key of
    // each column, left to right. selectAllCaption: the two windows name
    // the command differently.
    ListPane(QWidget& window, Owner owner, MsgList& list, std::vector<int> columnKeys, int sortKey,
             const QString& selectAllCaption, ListPaneServices services);
    ~ListPane() override;

    // Adds the list's two status panels, sunken and of fixed widths, to the
    // left of bar; the list's status texts go to them.
    void addStatusPanels(QStatusBar& bar, int panel0Width, int panel1Width);
    // The label of status panel 0 or 1.
    QLabel* statusPanel(int panel) const { return m_panels[panel]; }

    struct Actions {
        QAction* AMessageOpen1 = nullptr;
        QAction* AMessageEdit1 = nullptr;
        QAction* AMessageDelete1 = nullptr;
        QAction* AAttachDelete1 = nullptr;
        QAction* ASelAll1 = nullptr;
        QAction* ADupCheck1 = nullptr;
        QAction* AListMessage1 = nullptr;
        QAction* AAttachSave1 = nullptr;
        QAction* APreview1 = nullptr;
    };
    const Actions& actions() const { return m_actions; }

    MessageListView* view() const { return m_view; }
    // The list with the preview below it, in a splitter: what a window lays out.
    QSplitter* listArea() const { return m_listArea; }
    MessagePreview* preview() const { return m_preview; }
    // Whether the preview shows and its height; the window keeps both.
    void applyPreviewLayout(bool shown, int height);
    void collectPreviewLayout(bool& shown, int& height) const;
    MessageListModel* model() const { return m_model; }
    QtListView& listPort() { return *m_listPort; }
    ports::StatusBar& statusPort();
    // Open, editor, delete and attachment removal; a window may add entries.
    QMenu* popupMenu() const { return m_popupMenu; }
    MsgList& list() { return m_list; }

    // The enabling rules of the commands on the list; all off while a load
    // or a search rebuilds a list.
    void applyCommandStates();

    // The window's full refresh of its command states; run after every
    // selection change and after the commands that change the list.
    std::function<void()> updateCommandStates;
    // The folder the CSV list is named after.
    std::function<std::filesystem::path()> listFolder;
    // The main window's caption after a duplicate check.
    std::function<void()> showDuplicateCaption;
    // The address book while the list uses its names, else null.
    std::function<const DisplayNameLookup*()> displayNames;

    // The list's commands, each with its menu caption.
    void MessageOpen1Click();    // メッセージを開く(&M)
    void MessageEdit1Click();    // エディタで開く(&E)
    void MessageDelete1Click();  // 削除(&D)
    void AttachDelete1Click();   // 添付ファイルの削除(&L)
    void SelAll1Click();         // すべて選択(&A) / すべてを選択(&A)
    void Dupcheck1Click();       // 重複メッセージ(&K)
    void ListMessage1Click();    // リストの作成(&L)...
    void AttachSave1Click();     // 添付ファイルの保存(&S)...
    void Preview1Click();        // プレビュー(&P)
    // Shows the selected message in the preview, or how many are selected.
    void updatePreview();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildActions(QWidget& window, const QString& selectAllCaption);
    void onSelectionChanged();
    void refreshStates();
    // Runs command unless another holds the guard, then refreshes the states.
    void run(const std::function<void()>& command);

    Owner m_owner;
    MsgList& m_list;
    ListPaneServices m_services;
    MessageListView* m_view = nullptr;
    QSplitter* m_listArea = nullptr;
    MessagePreview* m_preview = nullptr;
    // The preview's height while it is hidden, for when it shows again.
    int m_previewHeight = 0;
    // The remembered height, placed at the splitter's first real size.
    int m_pendingPreviewHeight = 0;
    MessageListModel* m_model = nullptr;
    std::unique_ptr<QtListView> m_listPort;
    QLabel* m_panels[2] = {nullptr, nullptr};
    std::unique_ptr<QtStatusBar> m_statusPort;
    QMenu* m_popupMenu = nullptr;
    Actions m_actions;
};

}  // namespace pelmora::app
