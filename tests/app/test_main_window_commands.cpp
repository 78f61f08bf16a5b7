// SPDX-License-Identifier: MIT
// The main window's commands that change files, run on real files in a
// temporary folder with the trash below a temporary XDG_DATA_HOME; the
// questions are answered by the test.
#include <QAction>
#include <QTemporaryDir>
#include <QTreeView>
#include <fstream>
#include <sstream>

#include "app/main_window_caption.h"
#include "main_window_fixture.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

using namespace pelmora;
using namespace pelmora::test;

class TestMainWindowCommands : public MainWindowTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void deleteMovesTwoRowsToTheTrash();
    void refusedDeleteLeavesTheList();
    void attachmentRemovalRewritesTheMessage();
    void cancelledAttachmentRemovalTouchesNothing();
    void openAndEditHandTheFileOn();
    void openFolderLoadsTheChosenFolder();
    void refreshReportsAVanishedFolder();
    void vanishedFolderIsNotReplaced();
    void listWithoutRememberedFolderStartsInDocuments();
    void folderTreeToggleRestoresTheWidth();

private:
    std::filesystem::path trashFiles() const { return dataFolder() / "Trash" / "files"; }
};

void TestMainWindowCommands::initTestCase() {
    QVERIFY(setUpHome());
    useFakeEditor(homeFolder("bin"));
}

void TestMainWindowCommands::init() {
    // Every test gets its own messages and an empty trash.
    std::filesystem::remove_all(dataFolder());
    m_folder = homeFolder("mail");
    std::filesystem::remove_all(m_folder);
    writeMailFolder(m_folder);
    std::filesystem::remove(SettingsFilePath());
    QVERIFY(openWindow());
    QCOMPARE(m_window->listView().rowCount(), kListedMessages);
}

void TestMainWindowCommands::cleanup() {
    closeWindow();
}

void TestMainWindowCommands::deleteMovesTwoRowsToTheTrash() {
    app::MainWindow& w = *m_window;
    selectRows(w, {rowOfSubject(w, QStringLiteral("Bravo")), rowOfSubject(w, QStringLiteral("Charlie"))});
    QVERIFY(w.pane().actions().AMessageDelete1->isEnabled());
    w.pane().actions().AMessageDelete1->trigger();
    // One question of the shell for both files.
    QCOMPARE(m_ports->shell->questions, std::vector<std::size_t>{2});
    QCOMPARE(m_ports->shell->handedPaths().size(), std::size_t{2});
    QCOMPARE(w.listView().rowCount(), kListedMessages - 2);
    QCOMPARE(rowOfSubject(w, QStringLiteral("Bravo")), -1);
    QCOMPARE(rowOfSubject(w, QStringLiteral("Charlie")), -1);
    QCOMPARE(w.listView().selectedCount(), 0);
    QVERIFY(!std::filesystem::exists(m_folder / "b.eml"));
    QVERIFY(!std::filesystem::exists(m_folder / "c.eml"));
    QVERIFY(std::filesystem::exists(trashFiles() / "b.eml"));
    QVERIFY(std::filesystem::exists(trashFiles() / "c.eml"));
    QVERIFY(std::filesystem::exists(dataFolder() / "Trash" / "info" / "b.eml.trashinfo"));
    QCOMPARE(w.panelText(0), QStringLiteral(u"6 通のメッセージ"));
    QCOMPARE(w.panelText(1), QString());
    QVERIFY(!w.pane().actions().AMessageDelete1->isEnabled());
    // The rows left still show their own messages.
    const int attached = rowOfSubject(w, QStringLiteral("Report with attachment"));
    QCOMPARE(w.LV1()->model()->data(w.LV1()->model()->index(attached, 0)).toString(),
             QStringLiteral(" Yoshida"));
}

void TestMainWindowCommands::refusedDeleteLeavesTheList() {
    app::MainWindow& w = *m_window;
    m_ports->shell->refuseConfirmation = true;
    selectRows(w, {0, 1});
    w.pane().actions().AMessageDelete1->trigger();
    QCOMPARE(w.listView().rowCount(), kListedMessages);
    QCOMPARE(w.listView().selectedCount(), 2);
    QVERIFY(std::filesystem::exists(m_folder / "b.eml"));
    QVERIFY(!std::filesystem::exists(trashFiles()));
}

void TestMainWindowCommands::attachmentRemovalRewritesTheMessage() {
    app::MainWindow& w = *m_window;
    const std::string original = ReadBytes(m_folder / "e.eml");
    const auto originalTime = std::filesystem::last_write_time(m_folder / "e.eml");
    const int row = rowOfSubject(w, QStringLiteral("Report with attachment"));
    selectRows(w, {row});
    QVERIFY(w.pane().actions().AAttachDelete1->isEnabled());
    m_ports->prompts->answers = {ports::Answer::Ok};
    w.pane().actions().AAttachDelete1->trigger();
    QCOMPARE(m_ports->prompts->shown.size(), std::size_t{1});
    QVERIFY(m_ports->prompts->shown[0].starts_with("okcancel:"));
    const std::string rewritten = ReadBytes(m_folder / "e.eml");
    QVERIFY(rewritten.find("data.bin") == std::string::npos);
    QVERIFY(rewritten.find("Body text.") != std::string::npos);
    QVERIFY(rewritten.ends_with("--BOUND--\r\n"));
    // The times come back at the 100-ns resolution the entry keeps; compare
    // in those units (a duration cast truncates toward zero and the file
    // clock's epoch lies in the future, so whole microseconds would not do).
    using Units = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    QCOMPARE(
        std::chrono::floor<Units>(std::filesystem::last_write_time(m_folder / "e.eml").time_since_epoch())
            .count(),
        std::chrono::floor<Units>(originalTime.time_since_epoch()).count());
    QCOMPARE(ReadBytes(trashFiles() / "e.eml"), original);
    QVERIFY(!w.msgList()[static_cast<std::size_t>(row)]->HasAttach);
    QVERIFY(w.LV1()->model()->data(w.LV1()->model()->index(row, 5), Qt::DecorationRole).isNull());
    QCOMPARE(w.panelText(1), QStringLiteral(u"1 通のメッセージの添付ファイルを削除しました。"));
    QVERIFY(!w.pane().actions().AAttachDelete1->isEnabled());
    QCOMPARE(w.listView().rowCount(), kListedMessages);
}

void TestMainWindowCommands::cancelledAttachmentRemovalTouchesNothing() {
    app::MainWindow& w = *m_window;
    const std::string original = ReadBytes(m_folder / "e.eml");
    selectRows(w, {rowOfSubject(w, QStringLiteral("Report with attachment"))});
    m_ports->prompts->answers = {ports::Answer::Cancel};
    w.pane().actions().AAttachDelete1->trigger();
    QCOMPARE(ReadBytes(m_folder / "e.eml"), original);
    QVERIFY(w.pane().actions().AAttachDelete1->isEnabled());
    QVERIFY(!std::filesystem::exists(trashFiles()));
}

void TestMainWindowCommands::openAndEditHandTheFileOn() {
    app::MainWindow& w = *m_window;
    const int row = rowOfSubject(w, QStringLiteral("Bravo"));
    selectRows(w, {row});
    // Enter reaches the window's command wherever the focus is.
    w.STV1()->setFocus();
    QTest::keyClick(w.STV1(), Qt::Key_Return);
    QCOMPARE(m_ports->shell->opened, std::vector<std::filesystem::path>{m_folder / "b.eml"});
    w.pane().actions().AMessageEdit1->trigger();
    QCOMPARE(m_ports->shell->started.size(), std::size_t{1});
    QCOMPARE(m_ports->shell->started[0].program, w.settings().EditorName);
    QCOMPARE(m_ports->shell->started[0].file, m_folder / "b.eml");
    // A double click on a row opens it too.
    const QRect cell = w.LV1()->visualRect(w.LV1()->model()->index(row, 2));
    QTest::mouseClick(w.LV1()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(w.LV1()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(m_ports->shell->opened.size(), std::size_t{2});
}

void TestMainWindowCommands::openFolderLoadsTheChosenFolder() {
    app::MainWindow& w = *m_window;
    const std::filesystem::path other = m_folder / "sub";
    m_ports->folderAnswer = other;
    w.actions().AOpenFolder1->trigger();
    QCOMPARE(m_ports->folderPrompts,
             QStringList{QStringLiteral(u"emlファイルを保存したフォルダを選択して下さい。")});
    QCOMPARE(m_ports->folderStarts.front(), m_folder);
    QCOMPARE(w.currentFolder(), other);
    QCOMPARE(w.captionStrip()->text(), qs(other));
    QCOMPARE(w.listView().rowCount(), 1);
    QVERIFY(w.treeReacts());
    // Cancelling the browser changes nothing.
    m_ports->folderAnswer.reset();
    w.actions().AOpenFolder1->trigger();
    QCOMPARE(w.currentFolder(), other);
    QCOMPARE(w.listView().rowCount(), 1);
    // A row made current by the program loads nothing; the user's click in
    // the tree loads that folder.
    auto* folders = qobject_cast<app::FolderTreeModel*>(w.STV1()->model());
    QVERIFY(folders);
    const QModelIndex mail = folders->indexOf(qs(m_folder));
    w.STV1()->setCurrentIndex(mail);
    QCOMPARE(w.currentFolder(), other);
    w.STV1()->setCurrentIndex(folders->indexOf(qs(other)));
    w.STV1()->scrollTo(mail);
    QTest::mouseClick(w.STV1()->viewport(), Qt::LeftButton, {}, onTheName(*w.STV1(), mail));
    QCOMPARE(w.currentFolder(), m_folder);
    QCOMPARE(w.listView().rowCount(), kListedMessages);
}

void TestMainWindowCommands::refreshReportsAVanishedFolder() {
    app::MainWindow& w = *m_window;
    const QString count = w.panelText(0);
    std::filesystem::rename(m_folder, m_folder.string() + ".gone");
    w.actions().ARefresh1->trigger();
    const QString missing = QLatin1Char('"') + qs(m_folder) + QStringLiteral(u"\" フォルダはありません。");
    QCOMPARE(w.panelText(1), missing);
    QCOMPARE(m_ports->prompts->shown.back(), "info:" + app::toCp932(missing));
    // The list stays as it was, and so does the current folder.
    QCOMPARE(w.panelText(0), count);
    QCOMPARE(w.listView().rowCount(), kListedMessages);
    QCOMPARE(w.currentFolder(), m_folder);
    std::filesystem::rename(m_folder.string() + ".gone", m_folder);
}

void TestMainWindowCommands::vanishedFolderIsNotReplaced() {
    app::MainWindow& w = *m_window;
    const std::filesystem::path sub = m_folder / "sub";
    m_ports->folderAnswer = sub;
    w.actions().AOpenFolder1->trigger();
    QCOMPARE(w.listView().rowCount(), 1);
    auto* folders = qobject_cast<app::FolderTreeModel*>(w.STV1()->model());
    QVERIFY(folders);
    QCOMPARE(w.STV1()->currentIndex(), folders->indexOf(qs(sub)));
    // Removed from outside: the tree drops its row and moves its current
    // row elsewhere on its own; that must load nothing.
    std::filesystem::remove_all(sub);
    QTRY_VERIFY_WITH_TIMEOUT(
        w.STV1()->currentIndex() != folders->indexOf(qs(sub)) || !folders->indexOf(qs(sub)).isValid(), 20000);
    QTest::qWait(100);
    QCOMPARE(w.currentFolder(), sub);
    QCOMPARE(w.listView().rowCount(), 1);
    QCOMPARE(w.captionStrip()->text(), qs(sub));
    w.close();
    QCOMPARE(LoadSettings(SettingsFilePath()).emlDir, sub);
}

void TestMainWindowCommands::listWithoutRememberedFolderStartsInDocuments() {
    app::MainWindow& w = *m_window;
    const std::filesystem::path documents = app::toPath(m_home.filePath(QStringLiteral("Dokumente")));
    std::filesystem::create_directories(documents);
    qputenv("XDG_DOCUMENTS_DIR", QFile::encodeName(qs(documents)));
    w.pane().actions().AListMessage1->trigger();  // the save dialog is cancelled
    qunsetenv("XDG_DOCUMENTS_DIR");
    QCOMPARE(m_ports->prompts->saveRequests.size(), std::size_t{1});
    QCOMPARE(m_ports->prompts->saveRequests[0].initialFolder, documents);
}

void TestMainWindowCommands::folderTreeToggleRestoresTheWidth() {
    app::MainWindow& w = *m_window;
    w.resize(1000, 600);
    QCoreApplication::processEvents();
    const int width = w.width();
    const int listWidth = w.LV1()->width();
    const int tree = w.treeWidth();
    QVERIFY(tree > 0);
    w.actions().AShowFolderTree1->trigger();  // off
    QVERIFY(!w.actions().AShowFolderTree1->isChecked());
    QCOMPARE(w.treeWidth(), 0);
    QCOMPARE(w.width(), width - tree - app::kSplitterWidth);
    QCoreApplication::processEvents();
    QCOMPARE(w.LV1()->width(), listWidth);
    w.actions().AShowFolderTree1->trigger();  // on again: 200 pixels
    QCoreApplication::processEvents();
    QCOMPARE(w.treeWidth(), app::kTreeShownWidth);
    QCOMPARE(w.width(), width - tree + app::kTreeShownWidth);
    QCOMPARE(w.LV1()->width(), listWidth);
    // Selecting the folder in the tree while it was rearranged loaded nothing.
    QCOMPARE(m_ports->prompts->shown.size(), std::size_t{0});
}

QTEST_MAIN(TestMainWindowCommands)
#include "test_main_window_commands.moc"
