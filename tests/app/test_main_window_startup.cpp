// SPDX-License-Identifier: MIT
// Start-up and exit: the command line and its messages, the long form of the
// folder, the settings read at creation and written at exit, and the single
// running instance.
#include <QAction>
#include <QDir>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <fstream>
#include <iterator>

#include "app/folder_model.h"
#include "app/main_window_startup.h"
#include "app/single_instance.h"
#include "dialogs_test_support.h"
#include "main_window_fixture.h"
#include "platform/xdg.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

using namespace pelmora;
using namespace pelmora::test;

namespace {

// Whether anything is drawn in the band across the middle of widget: a
// pixel there differs from the background at its bottom left corner.
bool hasDrawingAcrossTheMiddle(QWidget& widget) {
    const QImage image = widget.grab().toImage();
    const QRgb background = image.pixel(2, image.height() - 3);
    for (int y = image.height() / 2 - 8; y <= image.height() / 2 + 8; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) return true;
    return false;
}

}  // namespace

class TestMainWindowStartup : public MainWindowTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void commandLine_data();
    void commandLine();
    void longFolderPath_data();
    void longFolderPath();
    void firstStartUsesTheDefaults();
    void settingsWrittenAtExitComeBack();
    void corruptSettingsComeBackAsDefaults();
    void hiddenTreeStaysHidden();
    void treeStartsWithHomeThenRoot();
    void longNestedNamesScrollSideways();
    void badCommandLineForgetsTheRememberedFolder();
    void vanishedRememberedFolderIsForgottenSilently();
    void secondStartAsksTheFirstToShowItself();
    void secondStartWithAFolderOpensItHere();
    void desktopPortsRunALoad();
};

void TestMainWindowStartup::initTestCase() {
    QVERIFY(setUpHome());
    useFakeEditor(homeFolder("bin"));
    m_folder = homeFolder("mail box");  // a blank in the name
    writeMailFolder(m_folder);
    WriteBytes(m_folder / "plain.txt", "not a folder");
}

void TestMainWindowStartup::init() {
    std::filesystem::remove(SettingsFilePath());
}

void TestMainWindowStartup::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("message");
    const QString folder = qs(m_folder);
    const QString file = qs(m_folder / "plain.txt");
    const QString other = qs(m_folder / "sub");
    QTest::newRow("none keeps the remembered folder") << QStringList{} << other << other << QString();
    QTest::newRow("a folder with a blank") << QStringList{folder} << other << folder << QString();
    QTest::newRow("a relative-looking folder is made long")
        << QStringList{folder + QStringLiteral("/sub/../")} << QString() << folder << QString();
    QTest::newRow("a file is no folder")
        << QStringList{file} << other << QString()
        << QStringLiteral(u"パラメータにはフォルダ名を指定して下さい。\r\r\"") + file + QLatin1Char('"');
    QTest::newRow("two folders, the third is not shown")
        << QStringList{folder, other, file} << other << QString()
        << QStringLiteral(u"パラメータにはフォルダ名を一つだけ指定して下さい。\r\r\"") + folder +
               QStringLiteral("\"\r\"") + other + QLatin1Char('"');
}

void TestMainWindowStartup::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, remembered);
    QFETCH(QString, expected);
    QFETCH(QString, message);
    FakePrompts prompts;
    const std::filesystem::path folder = app::StartFolder(arguments, app::toPath(remembered), prompts);
    QCOMPARE(qs(folder), expected);
    if (message.isEmpty()) {
        QVERIFY(prompts.shown.empty());
    } else {
        QCOMPARE(prompts.shown.size(), std::size_t{1});
        QCOMPARE(prompts.shown[0], "info:" + app::toCp932(message));
    }
}

void TestMainWindowStartup::longFolderPath_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("expected");
    const QString folder = qs(m_folder);
    QTest::newRow("trailing slash") << folder + QLatin1Char('/') << folder;
    QTest::newRow("dot and dot-dot") << folder + QStringLiteral("/./sub/..") << folder;
    QTest::newRow("doubled slashes") << folder + QStringLiteral("//sub") << folder + QStringLiteral("/sub");
    QTest::newRow("root stays") << QStringLiteral("/") << QStringLiteral("/");
    QTest::newRow("missing stays as given")
        << folder + QStringLiteral("/nope/") << folder + QStringLiteral("/nope/");
}

void TestMainWindowStartup::longFolderPath() {
    QFETCH(QString, given);
    QFETCH(QString, expected);
    QCOMPARE(qs(app::LongFolderPath(app::toPath(given))), expected);
}

void TestMainWindowStartup::firstStartUsesTheDefaults() {
    TestPortFactory ports;
    app::MainWindow window(ports, SettingsFilePath(), {});
    QVERIFY(showAndActivate(window));
    QCOMPARE(window.width(), 1024);
    QCOMPARE(window.treeWidth(), 160);
    QVERIFY(window.actions().AShowFolderTree1->isChecked());
    QVERIFY(window.currentFolder().empty());
    QCOMPARE(window.listView().rowCount(), 0);
    QCOMPARE(window.listView().sortKey(), 3);
    QVERIFY(ports.prompts->shown.empty());
    QVERIFY(!window.actions().ARefresh1->isEnabled());
    // The editor of the other system is never the default here: an
    // installed one is.
    QCOMPARE(qs(window.settings().EditorName), m_home.filePath(QStringLiteral("bin/fake-editor")));
    // The folder tree opens at the home folder, and only folders with
    // subfolders have an expand arrow.
    auto* folders = qobject_cast<app::FolderTreeModel*>(window.STV1()->model());
    QVERIFY(folders != nullptr);
    QVERIFY(window.STV1()->isExpanded(folders->indexOf(QDir::homePath())));
    QTRY_COMPARE(window.STV1()->indexAt(QPoint(4, 4)), folders->indexOf(QDir::homePath()));
    QVERIFY(!window.STV1()->currentIndex().isValid());
    QVERIFY(folders->hasChildren(folders->indexOf(qs(m_folder))));
    QVERIFY(!folders->hasChildren(folders->indexOf(qs(m_folder / "sub"))));
    // The empty list says what to do, in its middle.
    QCOMPARE(window.LV1()->placeholderText(),
             QStringLiteral(u"フォルダを開いて下さい（Backspace キー、またはツリーから選択）"));
    QVERIFY(hasDrawingAcrossTheMiddle(*window.LV1()->viewport()));
    // The folder browser starts at home, and the chosen folder's list has no hint.
    ports.folderAnswer = m_folder;
    QTest::keyClick(window.LV1(), Qt::Key_Backspace);
    QCOMPARE(ports.folderStarts.back(), platform::HomeFolder());
    QCOMPARE(window.listView().rowCount(), kListedMessages);
    QVERIFY(window.LV1()->placeholderText().isEmpty());
}

void TestMainWindowStartup::longNestedNamesScrollSideways() {
    const std::filesystem::path deep =
        homeFolder("nested") / "a folder with a rather long name" / "and a second one nested in it" / "third";
    std::filesystem::create_directories(deep);
    const auto remove = qScopeGuard([&] { std::filesystem::remove_all(homeFolder("nested")); });
    TestPortFactory ports;
    app::MainWindow window(ports, SettingsFilePath(), QStringList{qs(deep)});
    QVERIFY(showAndActivate(window));
    QCOMPARE(window.treeWidth(), 160);
    QTreeView* tree = window.STV1();
    auto* folders = qobject_cast<app::FolderTreeModel*>(tree->model());
    const QModelIndex row = folders->indexOf(qs(deep.parent_path()));
    QTRY_VERIFY(tree->visualRect(row).isValid());
    // The whole name fits its row; the tree scrolls sideways to show it.
    const QString name = row.data().toString();
    QTRY_VERIFY2(tree->visualRect(row).width() > tree->fontMetrics().horizontalAdvance(name),
                 qPrintable(QString::number(tree->visualRect(row).width())));
    QVERIFY(tree->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(window.treeWidth(), 160);
}

void TestMainWindowStartup::settingsWrittenAtExitComeBack() {
    {
        TestPortFactory ports;
        app::MainWindow window(ports, SettingsFilePath(), QStringList{qs(m_folder)});
        QVERIFY(showAndActivate(window));
        window.resize(900, 500);
        window.move(40, 30);
        window.LV1()->header()->resizeSection(2, 333);
        window.LV1()->header()->resizeSection(5, 77);
        clickHeader(window, 1);
        clickHeader(window, 1);  // descending by recipients
        QCOMPARE(window.listView().sortKey(), -6);
        window.close();
    }
    QVERIFY(std::filesystem::exists(SettingsFilePath()));
    const Settings saved = LoadSettings(SettingsFilePath());
    QCOMPARE(saved.Width, 900);
    QCOMPARE(saved.Height, 500);
    QCOMPARE(saved.VSort, -6);
    QCOMPARE(saved.CWidth[2], 333);
    QCOMPARE(saved.emlDir, m_folder);

    TestPortFactory ports;
    app::MainWindow window(ports, SettingsFilePath(), {});
    QCOMPARE(window.size(), QSize(900, 500));
    QCOMPARE(window.pos(), QPoint(40, 30));
    QCOMPARE(window.LV1()->header()->sectionSize(2), 333);
    QCOMPARE(window.LV1()->header()->sectionSize(5), 77);
    QCOMPARE(window.listView().sortKey(), -6);
    QCOMPARE(window.currentFolder(), m_folder);
    QVERIFY(showAndActivate(window));
    // A load always leaves the list ascending by the remembered key.
    QCOMPARE(window.listView().rowCount(), kListedMessages);
    QCOMPARE(window.listView().sortKey(), 6);
    QCOMPARE(caption(window, 1), QStringLiteral(u"宛先 ＋"));
}

void TestMainWindowStartup::corruptSettingsComeBackAsDefaults() {
    std::filesystem::create_directories(SettingsFilePath().parent_path());
    WriteBytes(SettingsFilePath(),
               "[Form]\r\nWidth=20000\r\nHeight=-10\r\nTop=-4000\r\nLeft=90000\r\n"
               "C0Width=0\r\nVSort=42\r\n");
    QRect area;
    {
        TestPortFactory ports;
        app::MainWindow window(ports, SettingsFilePath(), QStringList{qs(m_folder)});
        QVERIFY(showAndActivate(window));
        // No internal error about the sort key, at this start or any later.
        QVERIFY(ports.prompts->shown.empty());
        QCOMPARE(window.listView().sortKey(), 3);
        QCOMPARE(window.LV1()->header()->sectionSize(0), 110);
        QCOMPARE(window.listView().rowCount(), kListedMessages);
        // The window fits on the screen, its frame's top left corner (the
        // title bar, the menus) too.
        area = window.screen()->availableGeometry();
        QCOMPARE(window.height(), 600);
        QCOMPARE(window.width(), area.width());
        QVERIFY(area.contains(window.frameGeometry().topLeft()));
        window.close();
    }
    const Settings saved = LoadSettings(SettingsFilePath());
    QCOMPARE(saved.VSort, 3);
    QCOMPARE(saved.CWidth[0], 110);
    QVERIFY(saved.Width <= area.width());
    QVERIFY(area.contains(QRect(saved.Left, saved.Top, saved.Width, saved.Height)));
}

void TestMainWindowStartup::treeStartsWithHomeThenRoot() {
    const QByteArray home = qgetenv("HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", home); });
    qputenv("HOME", QFile::encodeName(m_home.path()));
    TestPortFactory ports;
    app::MainWindow window(ports, SettingsFilePath(), {});
    auto* folders = qobject_cast<app::FolderTreeModel*>(window.STV1()->model());
    QVERIFY(folders != nullptr);
    QVERIFY(showAndActivate(window));
    QCOMPARE(folders->rowCount(), 2);
    const QModelIndex homeRow = folders->index(0, 0);
    QCOMPARE(folders->filePath(homeRow), m_home.path());
    QCOMPARE(homeRow.data().toString(), m_home.path());
    const QModelIndex rootRow = folders->index(1, 0);
    QCOMPARE(folders->filePath(rootRow), QStringLiteral("/"));
    QCOMPARE(folders->indexOf(QStringLiteral("/")), rootRow);
    window.STV1()->expand(rootRow);
    QTRY_VERIFY(folders->rowCount(rootRow) > 0);
    // The kernel's own file systems and lost+found hold no mail and are left out.
    QVERIFY(app::IsSystemFolderOfRoot(QStringLiteral("/proc")));
    QVERIFY(app::IsSystemFolderOfRoot(QStringLiteral("/lost+found")));
    QVERIFY(!app::IsSystemFolderOfRoot(QStringLiteral("/usr")));
    auto rootFolders = [&] {
        QStringList paths;
        for (int row = 0; row < folders->rowCount(rootRow); ++row)
            paths << folders->filePath(folders->index(row, 0, rootRow));
        return paths;
    };
    QTRY_VERIFY(rootFolders().contains(QStringLiteral("/usr")));
    QVERIFY2(!rootFolders().contains(QStringLiteral("/proc")), qPrintable(rootFolders().join(u' ')));
    QVERIFY(!folders->indexOf(QStringLiteral("/proc")).isValid());
    // A folder under home is found in the home branch, and the user's click
    // there loads it.
    const QModelIndex mail = folders->indexOf(qs(m_folder));
    QCOMPARE(mail.parent(), homeRow);
    QCOMPARE(folders->filePath(mail), qs(m_folder));
    window.STV1()->scrollTo(mail);
    QTRY_VERIFY(window.STV1()->visualRect(mail).isValid());
    QTest::mouseClick(window.STV1()->viewport(), Qt::LeftButton, {}, onTheName(*window.STV1(), mail));
    QCOMPARE(window.currentFolder(), m_folder);
    QCOMPARE(window.listView().rowCount(), kListedMessages);
    QVERIFY(window.close());
}

void TestMainWindowStartup::hiddenTreeStaysHidden() {
    {
        TestPortFactory ports;
        app::MainWindow window(ports, SettingsFilePath(), {});
        QVERIFY(showAndActivate(window));
        window.actions().AShowFolderTree1->trigger();
        window.close();
    }
    const Settings saved = LoadSettings(SettingsFilePath());
    QVERIFY(!saved.FolderTree);
    // The width is not read back while the tree is hidden; the file has 0.
    std::ifstream file(SettingsFilePath(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    QVERIFY(text.find("STV1Width=0\r\n") != std::string::npos);
    TestPortFactory ports;
    app::MainWindow window(ports, SettingsFilePath(), {});
    QVERIFY(showAndActivate(window));
    QVERIFY(!window.actions().AShowFolderTree1->isChecked());
    QCOMPARE(window.treeWidth(), 0);
}

void TestMainWindowStartup::badCommandLineForgetsTheRememberedFolder() {
    Settings remembered;
    remembered.emlDir = m_folder;
    QVERIFY(SaveSettings(remembered, SettingsFilePath()).has_value());
    {
        TestPortFactory ports;
        app::MainWindow window(ports, SettingsFilePath(), QStringList{qs(m_folder), qs(m_folder / "sub")});
        QCOMPARE(ports.prompts->shown.size(), std::size_t{1});
        QVERIFY(showAndActivate(window));
        QCOMPARE(window.listView().rowCount(), 0);
        QVERIFY(window.currentFolder().empty());
        QCOMPARE(ports.prompts->shown.size(), std::size_t{1});  // nothing loaded, nothing missing
        window.close();
    }
    QVERIFY(LoadSettings(SettingsFilePath()).emlDir.empty());
}

void TestMainWindowStartup::vanishedRememberedFolderIsForgottenSilently() {
    Settings remembered;
    remembered.emlDir = m_folder / "vanished";
    QVERIFY(SaveSettings(remembered, SettingsFilePath()).has_value());
    TestPortFactory ports;
    app::MainWindow window(ports, SettingsFilePath(), {});
    QVERIFY(showAndActivate(window));
    QVERIFY(window.currentFolder().empty());
    QVERIFY(ports.prompts->shown.empty());
    QCOMPARE(window.listView().rowCount(), 0);
}

void TestMainWindowStartup::secondStartAsksTheFirstToShowItself() {
    const QString name = QStringLiteral("pelmora-test-%1").arg(QCoreApplication::applicationPid());
    app::SingleInstance second(name);
    QVERIFY(!second.forwardToRunningInstance({}, 200));  // nobody runs yet

    app::SingleInstance first(name);
    QVERIFY(first.listen());
    QSignalSpy raised(&first, &app::SingleInstance::activationRequested);
    QSignalSpy folders(&first, &app::SingleInstance::folderRequested);
    QVERIFY(second.forwardToRunningInstance());
    QVERIFY(raised.wait(2000));
    QCOMPARE(raised.count(), 1);
    // Two arguments only raise; one is a folder, made absolute by the
    // second start, whose working folder the first does not share.
    QVERIFY(second.forwardToRunningInstance({qs(m_folder), qs(m_folder)}));
    QVERIFY(raised.wait(2000));
    const QString before = QDir::currentPath();
    QDir::setCurrent(qs(m_folder));
    const bool forwarded = second.forwardToRunningInstance({QStringLiteral("sub")});
    QDir::setCurrent(before);
    QVERIFY(forwarded);
    QVERIFY(folders.wait(2000));
    QCOMPARE(folders.takeFirst().at(0).toString(), qs(m_folder / "sub"));
    QCOMPARE(raised.count(), 2);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home.path()));
    QCOMPARE(app::instanceServerName().section(QLatin1Char('/'), 0, -2), m_home.path());
    qunsetenv("XDG_RUNTIME_DIR");
    QVERIFY(app::instanceServerName().startsWith(QStringLiteral("BRANTOLE-Pelmora-")));
    if (!runtime.isEmpty()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
}

void TestMainWindowStartup::secondStartWithAFolderOpensItHere() {
    const QString name = QStringLiteral("pelmora-test-open-%1").arg(QCoreApplication::applicationPid());
    app::SingleInstance first(name);
    QVERIFY(first.listen());
    TestPortFactory ports;
    app::MainWindow window(ports, SettingsFilePath(), QStringList{qs(m_folder)});
    window.acceptSecondStarts(first);
    QVERIFY(showAndActivate(window));
    QCOMPARE(window.listView().rowCount(), kListedMessages);
    app::SingleInstance second(name);
    QVERIFY(second.forwardToRunningInstance({qs(m_folder / "sub")}));
    QTRY_COMPARE(window.currentFolder(), m_folder / "sub");
    QCOMPARE(window.listView().rowCount(), 1);
    auto* folders = qobject_cast<app::FolderTreeModel*>(window.STV1()->model());
    QCOMPARE(window.STV1()->currentIndex(), folders->indexOf(qs(m_folder / "sub")));
    // A file is no folder: said as at start-up, and the list stays.
    QVERIFY(second.forwardToRunningInstance({qs(m_folder / "plain.txt")}));
    QTRY_COMPARE(ports.prompts->shown.size(), std::size_t{1});
    QVERIFY(app::fromCp932Message(ports.prompts->shown[0].substr(5))
                .startsWith(QStringLiteral(u"パラメータにはフォルダ名を指定して下さい。")));
    QCOMPARE(window.currentFolder(), m_folder / "sub");
    QCOMPARE(window.listView().rowCount(), 1);
    // With the search window open, the window is only raised.
    bool stayed = false;
    whenModal([&](QWidget* modal) {
        QVERIFY(second.forwardToRunningInstance({qs(m_folder)}));
        QTest::qWait(200);
        stayed = window.currentFolder() == m_folder / "sub";
        modal->close();
    });
    window.MessageFind1Click();
    QVERIFY(stayed);
    QCOMPARE(window.currentFolder(), m_folder / "sub");
}

void TestMainWindowStartup::desktopPortsRunALoad() {
    // The program's own ports: message boxes, TForm3, the desktop shell.
    auto ports = app::makeDesktopPortFactory();
    app::MainWindow window(*ports, SettingsFilePath(), QStringList{qs(m_folder)});
    QVERIFY(showAndActivate(window));
    QCOMPARE(window.listView().rowCount(), kListedMessages);
    QCOMPARE(window.panelText(0), QStringLiteral(u"8 通のメッセージ"));
    clickHeader(window, 0);
    QCOMPARE(caption(window, 0), QStringLiteral(u"差出人 ＋"));
    QVERIFY(window.close());
}

QTEST_MAIN(TestMainWindowStartup)
#include "test_main_window_startup.moc"
