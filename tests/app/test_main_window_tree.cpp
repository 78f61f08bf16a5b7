// SPDX-License-Identifier: MIT
// The main window listing a whole folder tree (サブフォルダを含める): the
// rows of every subfolder with their folders, the setting kept across a
// restart, and the duplicate check and delete over copies in three folders.
#include <QAction>
#include <QTemporaryDir>

#include "app/folder_tree_model.h"
#include "app/main_window_caption.h"
#include "app/message_list_model.h"
#include "main_window_fixture.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

using namespace pelmora;
using namespace pelmora::test;

namespace fs = std::filesystem;

class TestMainWindowTree : public MainWindowTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void treeIsListedWithItsFoldersAndTheSettingSurvivesARestart();
    void duplicateCheckKeepsTheCopyTheRuleNames_data();
    void duplicateCheckKeepsTheCopyTheRuleNames();
    void deleteAfterTheCheckMovesExactlyTheSelectedCopies();
    void largeFolderGetsItsArrowOnceLookedThrough();

private:
    // Three copies of one message: in the folder itself the largest, in
    // old/ the first to arrive, in old/deep/ the last; one message of its
    // own, and a link back to the top that the scan must not follow round.
    void writeTree() {
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "old" / "deep");
        auto copy = [](const char* received, const std::string& padding) {
            return std::string("Received: from a by b; ") + received +
                   "\r\nFrom: dup@example.com\r\nTo: x@example.com\r\nSubject: Copy\r\n"
                   "Date: Wed, 04 Jan 2023 12:00:00 +0900\r\nMessage-ID: <dup@example.com>\r\n\r\ncopy\r\n" +
                   padding;
        };
        WriteBytes(m_folder / "top.eml", copy("Wed, 04 Jan 2023 13:00:00 +0900", std::string(4000, 'x')));
        WriteBytes(m_folder / "old" / "first.eml", copy("Wed, 04 Jan 2023 12:30:00 +0900", ""));
        WriteBytes(m_folder / "old" / "deep" / "last.eml", copy("Wed, 04 Jan 2023 14:00:00 +0900", ""));
        WriteBytes(m_folder / "old" / "single.eml",
                   "From: one@example.com\r\nSubject: Single\r\nMessage-ID: <one@example.com>\r\n\r\nx\r\n");
        fs::create_directory_symlink(m_folder, m_folder / "old" / "deep" / "up");
    }
    void writeSettings(const std::string& option) {
        fs::create_directories(SettingsFilePath().parent_path());
        WriteBytes(SettingsFilePath(), "[Option]\r\n" + option);
    }
    QString folderOf(app::MainWindow& w, const char* file) {
        const auto* model = w.LV1()->model();
        const int column = model->columnCount() - 1;
        for (int row = 0; row < w.listView().rowCount(); ++row)
            if (fs::path(w.msgList()[static_cast<std::size_t>(row)]->FileName).filename() == file)
                return model->data(model->index(row, column)).toString();
        return QStringLiteral("(not listed)");
    }
    // The file names of the rows, selected ones or the others.
    QStringList files(app::MainWindow& w, bool selected) {
        QStringList names;
        for (int row = 0; row < w.listView().rowCount(); ++row)
            if (w.listView().isSelected(row) == selected)
                names << qs(fs::path(w.msgList()[static_cast<std::size_t>(row)]->FileName)
                                .lexically_relative(m_folder));
        names.sort();
        return names;
    }
    fs::path trashFiles() const { return dataFolder() / "Trash" / "files"; }
};

void TestMainWindowTree::initTestCase() {
    QVERIFY(setUpHome());
    m_folder = homeFolder("tree");
}

void TestMainWindowTree::cleanup() {
    closeWindow();
}

void TestMainWindowTree::treeIsListedWithItsFoldersAndTheSettingSurvivesARestart() {
    writeTree();
    fs::remove(SettingsFilePath());
    QVERIFY(openWindow());
    app::MainWindow& w = *m_window;
    QAction* include = w.actions().AIncludeSubfolders1;
    QVERIFY(include->isCheckable());
    QVERIFY(!include->isChecked());
    QCOMPARE(include->text(), QStringLiteral(u"サブフォルダを含める(&S)"));
    QCOMPARE(w.listView().rowCount(), 1);
    const int columns = w.LV1()->model()->columnCount();

    include->trigger();
    QVERIFY(include->isChecked());
    QCOMPARE(w.listView().rowCount(), 4);
    QCOMPARE(w.LV1()->model()->columnCount(), columns + 1);
    QCOMPARE(w.LV1()->model()->headerData(columns, Qt::Horizontal).toString(), QStringLiteral(u"フォルダ名"));
    QCOMPARE(folderOf(w, "top.eml"), QStringLiteral("."));
    QCOMPARE(folderOf(w, "first.eml"), QStringLiteral("old"));
    QCOMPARE(folderOf(w, "last.eml"), QStringLiteral("old/deep"));
    QCOMPARE(w.captionStrip()->text(), qs(m_folder) + QStringLiteral(u"（サブフォルダを含む）"));
    w.close();
    QVERIFY(LoadSettings(SettingsFilePath()).ListSubFolders);
    closeWindow();

    QVERIFY(openWindow());
    QVERIFY(m_window->actions().AIncludeSubfolders1->isChecked());
    QCOMPARE(m_window->listView().rowCount(), 4);
    // Off again: the folder alone, without the folder column.
    m_window->actions().AIncludeSubfolders1->trigger();
    QCOMPARE(m_window->listView().rowCount(), 1);
    QCOMPARE(m_window->LV1()->model()->columnCount(), columns);
    QCOMPARE(m_window->captionStrip()->text(), qs(m_folder));
    m_window->close();
    QVERIFY(!LoadSettings(SettingsFilePath()).ListSubFolders);
}

void TestMainWindowTree::duplicateCheckKeepsTheCopyTheRuleNames_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("kept");
    QTest::newRow("oldest") << QStringLiteral("oldest") << QStringLiteral("old/first.eml");
    QTest::newRow("newest") << QStringLiteral("newest") << QStringLiteral("old/deep/last.eml");
    QTest::newRow("largest") << QStringLiteral("largest") << QStringLiteral("top.eml");
    QTest::newRow("under a folder") << QStringLiteral("under:old/deep")
                                    << QStringLiteral("old/deep/last.eml");
    QTest::newRow("under a folder, the oldest there")
        << QStringLiteral("under:old") << QStringLiteral("old/first.eml");
}

void TestMainWindowTree::duplicateCheckKeepsTheCopyTheRuleNames() {
    QFETCH(QString, rule);
    QFETCH(QString, kept);
    writeTree();
    std::string keep = rule.toStdString();
    if (keep.starts_with("under:")) keep = "under:" + (m_folder / keep.substr(6)).native();
    writeSettings("ListSubFolders=1\r\nDupKeep=" + keep + "\r\n");
    QVERIFY(openWindow());
    app::MainWindow& w = *m_window;
    QCOMPARE(w.listView().rowCount(), 4);
    // No earlier choice: the load's selection would outrank the rule.
    selectRows(w, {});
    w.pane().actions().ADupCheck1->trigger();
    QCOMPARE(w.listView().rowCount(), 3);
    QCOMPARE(files(w, false), QStringList{kept});
    QCOMPARE(files(w, true).size(), 2);
    QCOMPARE(w.panelText(1), QStringLiteral(u"1 組、3 通の重複（2 通を選択）"));
}

void TestMainWindowTree::deleteAfterTheCheckMovesExactlyTheSelectedCopies() {
    writeTree();
    fs::remove_all(trashFiles());
    writeSettings("ListSubFolders=1\r\n");
    QVERIFY(openWindow());
    app::MainWindow& w = *m_window;
    selectRows(w, {});
    w.pane().actions().ADupCheck1->trigger();
    QCOMPARE(files(w, true), (QStringList{QStringLiteral("old/deep/last.eml"), QStringLiteral("top.eml")}));
    w.pane().actions().AMessageDelete1->trigger();
    QCOMPARE(m_ports->shell->handedPaths().size(), std::size_t{2});
    QVERIFY(!fs::exists(m_folder / "top.eml"));
    QVERIFY(!fs::exists(m_folder / "old" / "deep" / "last.eml"));
    QVERIFY(fs::exists(m_folder / "old" / "first.eml"));
    QVERIFY(fs::exists(m_folder / "old" / "single.eml"));
    QVERIFY(fs::exists(trashFiles() / "top.eml"));
    QVERIFY(fs::exists(trashFiles() / "last.eml"));
    QCOMPARE(w.listView().rowCount(), 1);
}

QTEST_MAIN(TestMainWindowTree)
void TestMainWindowTree::largeFolderGetsItsArrowOnceLookedThrough() {
    // Folders of many files, as mail folders are, whose link count says
    // they hold no folder: one holds a link to a folder elsewhere, which
    // only a look through its entries finds, the other nothing. Such
    // folders are looked through on a thread of their own.
    const fs::path linked = homeFolder("large-linked");
    const fs::path plain = homeFolder("large-plain");
    for (const fs::path& folder : {linked, plain}) {
        fs::create_directories(folder);
        for (int i = 0; i < 4000; ++i)
            WriteBytes(folder / ("message-with-a-long-enough-name-" + std::to_string(i) + ".eml"), "");
    }
    fs::create_directories(homeFolder("elsewhere"));
    fs::create_directory_symlink(homeFolder("elsewhere"), linked / "link");
    QVERIFY(openWindow());
    auto* folders = qobject_cast<app::FolderTreeModel*>(m_window->STV1()->model());
    QVERIFY(folders != nullptr);
    QVERIFY(!folders->hasChildren(folders->indexOf(qs(plain))));
    QTRY_VERIFY(folders->hasChildren(folders->indexOf(qs(linked))));
    QVERIFY(!folders->hasChildren(folders->indexOf(qs(plain))));
}

#include "test_main_window_tree.moc"
