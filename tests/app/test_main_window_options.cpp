// SPDX-License-Identifier: MIT
// The main window's tools and help commands (options, hints, about), the
// folder caption strip, and the progress dialog of a large folder.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <functional>

#include "app/about_dialog.h"
#include "app/command_menu.h"
#include "app/main_window_caption.h"
#include "app/main_window_options.h"
#include "app/options_dialog.h"
#include "app/qt_translations.h"
#include "dialogs_test_support.h"
#include "main_window_fixture.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

using namespace pelmora;
using namespace pelmora::test;

namespace {

class ToolTipRecorder : public QWidget {
public:
    int toolTips = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) ++toolTips;
        return QWidget::event(e);
    }
};

}  // namespace

class TestMainWindowOptions : public MainWindowTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void optionsOkStoresBothValues();
    void optionsCancelChangesNothing();
    void desktopBooksNameTheListAndARefreshRereadsAChangedOne();
    void defaultEditorIsInstalled_data();
    void defaultEditorIsInstalled();
    void hintSwitchSwallowsToolTips();
    void hintsLeaveThePanels();
    void missingEditorSaysWhereToNameOne();
    void menusNameTheKeysThemselves();
    void aboutBoxOpensAndCloses();
    void folderCaptionHoverAndClick();
    void largeFolderShowsTheProgressDialog();
};

void TestMainWindowOptions::initTestCase() {
    QVERIFY(setUpHome());
    useFakeEditor(homeFolder("bin"));
    // No address book: the display-name option then changes nothing shown.
    qputenv("HOME", QFile::encodeName(m_home.path()));
    m_folder = homeFolder("mail");
    writeMailFolder(m_folder);
}

void TestMainWindowOptions::init() {
    std::filesystem::remove(SettingsFilePath());
    QVERIFY(openWindow());
}

void TestMainWindowOptions::cleanup() {
    closeWindow();
}

void TestMainWindowOptions::optionsOkStoresBothValues() {
    app::MainWindow& w = *m_window;
    const int loadsBefore = m_ports->progress->events;
    bool seen = false;
    whenModal([&seen](QWidget* modal) {
        auto* form2 = qobject_cast<app::OptionsDialog*>(modal);
        if (!form2) return;
        seen = !form2->DisplayNamesBox()->isChecked();
        form2->DisplayNamesBox()->setChecked(true);
        form2->EditorEdit()->clear();
        form2->OkButton()->click();
    });
    w.actions().AOption1->trigger();
    QVERIFY(seen);
    QVERIFY(w.settings().ConvDisplayName);
    // An empty editor is stored as the desktop's default editor.
    QCOMPARE(w.settings().EditorName, app::PlatformDefaultEditor());
    // The folder was reloaded with the new option.
    QVERIFY(m_ports->progress->events > loadsBefore);
    QCOMPARE(w.listView().rowCount(), kListedMessages);
    w.close();
    const Settings saved = LoadSettings(SettingsFilePath());
    QVERIFY(saved.ConvDisplayName);
    QCOMPARE(saved.EditorName, app::PlatformDefaultEditor());
}

void TestMainWindowOptions::optionsCancelChangesNothing() {
    app::MainWindow& w = *m_window;
    const std::string editor = w.settings().EditorName;
    whenModal([](QWidget* modal) {
        auto* form2 = qobject_cast<app::OptionsDialog*>(modal);
        if (!form2) return;
        form2->DisplayNamesBox()->setChecked(true);
        form2->EditorEdit()->setText(QStringLiteral("/usr/bin/other-editor"));
        form2->CancelButton()->click();
    });
    w.actions().AOption1->trigger();
    QVERIFY(!w.settings().ConvDisplayName);
    QCOMPARE(w.settings().EditorName, editor);
}

// A KDE vCard folder and an extra book chosen in the dialog: the list
// shows their names, and a refresh after the book changed shows the new one.
void TestMainWindowOptions::desktopBooksNameTheListAndARefreshRereadsAChangedOne() {
    app::MainWindow& w = *m_window;
    const std::filesystem::path kde = dataFolder() / "contacts";
    std::filesystem::create_directories(kde);
    const auto card = [](const std::string& name, const std::string& address) {
        return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name + "\r\nEMAIL:" + address + "\r\nEND:VCARD\r\n";
    };
    WriteBytes(kde / "hanako.vcf", card("Hanako Book", "hanako@example.jp"));
    const std::filesystem::path extra = homeFolder("extra.vcf");
    WriteBytes(extra, card("Bob Extra", "bob@example.com"));
    auto cleanUp = qScopeGuard([&] { std::filesystem::remove_all(kde); });
    whenModal([&](QWidget* modal) {
        auto* form2 = qobject_cast<app::OptionsDialog*>(modal);
        if (!form2) return;
        form2->DisplayNamesBox()->setChecked(true);
        form2->ExtraBookEdit()->setText(qs(extra));
        form2->OkButton()->click();
    });
    w.actions().AOption1->trigger();
    QCOMPARE(w.settings().AddressBookPath, extra);
    // The sender and the recipients the list shows for a subject.
    auto shown = [&w](const QString& subject) {
        const int row = rowOfSubject(w, subject);
        if (row < 0) return QStringList();
        const TMsgItem& entry = *w.msgList()[static_cast<std::size_t>(row)];
        return QStringList{app::fromCp932(entry.From), app::fromCp932(entry.To)};
    };
    QCOMPARE(shown(QStringLiteral("Bravo")),
             (QStringList{QStringLiteral("Bob Extra"), QStringLiteral("alice@example.com")}));
    QCOMPARE(shown(QStringLiteral("テスト")).value(1), QStringLiteral("Hanako Book"));

    WriteBytes(kde / "hanako.vcf", card("Hanako Renamed", "hanako@example.jp"));
    w.actions().ARefresh1->trigger();
    QCOMPARE(shown(QStringLiteral("テスト")).value(1), QStringLiteral("Hanako Renamed"));
    w.close();
    QCOMPARE(LoadSettings(SettingsFilePath()).AddressBookPath, extra);
}

void TestMainWindowOptions::defaultEditorIsInstalled_data() {
    QTest::addColumn<QString>("visual");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("textDefault");  // the desktop entry xdg-mime names; none when empty
    QTest::addColumn<QString>("expected");
    const QStringList none;
    QTest::newRow("VISUAL names a desktop editor")
        << QStringLiteral("gui-edit") << QString()
        << QStringList{QStringLiteral("gui-edit"), QStringLiteral("kate")} << QString()
        << QStringLiteral("gui-edit");
    QTest::newRow("a terminal editor is passed over for EDITOR")
        << QStringLiteral("vi") << QStringLiteral("gui-edit")
        << QStringList{QStringLiteral("vi"), QStringLiteral("gui-edit")} << QString()
        << QStringLiteral("gui-edit");
    QTest::newRow("a program that is not installed is passed over")
        << QStringLiteral("not-installed") << QString() << QStringList{QStringLiteral("mousepad")}
        << QString() << QStringLiteral("mousepad");
    QTest::newRow("the desktop's default for plain text")
        << QString() << QString() << QStringList{QStringLiteral("desk-edit"), QStringLiteral("kate")}
        << QStringLiteral("[Desktop Entry]\nName=Edit\nExec=desk-edit %F\n") << QStringLiteral("desk-edit");
    QTest::newRow("a desktop default that runs in a terminal is passed over")
        << QString() << QString() << QStringList{QStringLiteral("desk-edit"), QStringLiteral("kate")}
        << QStringLiteral("[Desktop Entry]\nExec=desk-edit\nTerminal=true\n") << QStringLiteral("kate");
    QTest::newRow("nothing installed: no editor rather than a wrong one")
        << QStringLiteral("gedit") << QString() << none << QString() << QString();
}

void TestMainWindowOptions::defaultEditorIsInstalled() {
    QFETCH(QString, visual);
    QFETCH(QString, editor);
    QFETCH(QStringList, installed);
    QFETCH(QString, textDefault);
    QFETCH(QString, expected);
    struct RestoreEnvironment {
        QByteArray path = qgetenv("PATH"), visual = qgetenv("VISUAL"), editor = qgetenv("EDITOR");
        ~RestoreEnvironment() {
            qputenv("PATH", path);
            qputenv("VISUAL", visual);
            qputenv("EDITOR", editor);
        }
    } restore;
    QTemporaryDir bin;
    for (const QString& program : installed) writeProgram(app::toPath(bin.filePath(program)));
    if (!textDefault.isEmpty()) {
        WriteBytes(app::toPath(bin.filePath(QStringLiteral("xdg-mime"))),
                   "#!/bin/sh\necho pelmora-test.desktop\n");
        std::filesystem::permissions(app::toPath(bin.filePath(QStringLiteral("xdg-mime"))),
                                     std::filesystem::perms::owner_all);
        const std::filesystem::path applications =
            app::toPath(m_home.filePath(QStringLiteral("data/applications")));
        std::filesystem::create_directories(applications);
        WriteBytes(applications / "pelmora-test.desktop", textDefault.toStdString());
    }
    // Only the programs of this row are installed.
    qputenv("PATH", QFile::encodeName(bin.path()));
    qputenv("VISUAL", visual.toUtf8());
    qputenv("EDITOR", editor.toUtf8());
    QCOMPARE(QString::fromStdString(app::PlatformDefaultEditor()), expected);
}

void TestMainWindowOptions::hintSwitchSwallowsToolTips() {
    app::MainWindow& w = *m_window;
    QVERIFY(w.settings().ShowHint);
    QVERIFY(w.actions().AShowHint1->isChecked());
    w.actions().AShowHint1->trigger();
    QVERIFY(!w.settings().ShowHint);
    QVERIFY(!w.actions().AShowHint1->isChecked());
    // Whichever widget asks, no tool tip is shown.
    ToolTipRecorder widget;
    QHelpEvent request(QEvent::ToolTip, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(&widget, &request);
    QCOMPARE(widget.toolTips, 0);
    w.actions().AShowHint1->trigger();
    QVERIFY(w.settings().ShowHint);
    QApplication::sendEvent(&widget, &request);
    QCOMPARE(widget.toolTips, 1);
    w.close();
    QVERIFY(LoadSettings(SettingsFilePath()).ShowHint);
}

void TestMainWindowOptions::hintsLeaveThePanels() {
    app::MainWindow& w = *m_window;
    const QString count = w.panelText(0);
    QVERIFY(count.endsWith(QStringLiteral(u"通のメッセージ")));
    // What Qt sends when the pointer rests on a tool button or menu item.
    auto* toolBar = w.findChild<QToolBar*>(QStringLiteral("ToolBar1"));
    QVERIFY(toolBar != nullptr);
    QStatusTipEvent hover(w.pane().actions().AMessageOpen1->statusTip());
    QApplication::sendEvent(toolBar->widgetForAction(w.pane().actions().AMessageOpen1), &hover);
    QCOMPARE(w.panelText(2), QStringLiteral(u"メッセージを開く"));
    QCOMPARE(w.panelText(0), count);
    auto* bar = w.findChild<QStatusBar*>(QStringLiteral("SB1"));
    QVERIFY(bar->currentMessage().isEmpty());
    const QList<QLabel*> panels = bar->findChildren<QLabel*>();
    for (QLabel* panel : panels) QVERIFY(panel->isVisible());
    QStatusTipEvent away{QString()};
    QApplication::sendEvent(toolBar->widgetForAction(w.pane().actions().AMessageOpen1), &away);
    QCOMPARE(w.panelText(2), QString());
    QCOMPARE(w.panelText(0), count);
}

void TestMainWindowOptions::missingEditorSaysWhereToNameOne() {
    const QByteArray path = qgetenv("PATH"), visual = qgetenv("VISUAL"), editor = qgetenv("EDITOR");
    const auto restore = qScopeGuard([&] {
        qputenv("PATH", path);
        qputenv("VISUAL", visual);
        qputenv("EDITOR", editor);
    });
    // No editor anywhere: the setting stays empty.
    QTemporaryDir bin;
    qputenv("PATH", QFile::encodeName(bin.path()));
    qunsetenv("VISUAL");
    qunsetenv("EDITOR");
    closeWindow();
    QVERIFY(openWindow());
    app::MainWindow& w = *m_window;
    QVERIFY(w.settings().EditorName.empty());
    selectRows(w, {0});
    QAction* edit = w.pane().actions().AMessageEdit1;
    QVERIFY(!edit->isEnabled());
    for (const QString& hint : {edit->toolTip(), edit->statusTip()}) {
        QVERIFY2(hint.contains(QStringLiteral(u"エディタが見つかりません")), qPrintable(hint));
        QVERIFY2(hint.contains(QStringLiteral(u"オプション")), qPrintable(hint));
    }
    // The hint reaches the hint panel though the command is greyed out.
    edit->showStatusText(&w);
    QCOMPARE(w.panelText(2), edit->statusTip());
    // Once an editor is named, the command says only what it does.
    whenModal([](QWidget* modal) {
        auto* form2 = qobject_cast<app::OptionsDialog*>(modal);
        if (!form2) return;
        form2->EditorEdit()->setText(QStringLiteral("/usr/bin/some-editor"));
        form2->OkButton()->click();
    });
    w.actions().AOption1->trigger();
    selectRows(w, {0});
    QVERIFY(edit->isEnabled());
    QCOMPARE(edit->toolTip(), QStringLiteral(u"エディタで開く"));
}

void TestMainWindowOptions::menusNameTheKeysThemselves() {
    // Debian's Japanese Qt translation writes "Backspae"; the menus never
    // show Qt's names of their keys.
    QVERIFY(app::installQtJapaneseTranslation(*qApp) ||
            QKeySequence(Qt::Key_Backspace).toString(QKeySequence::NativeText) ==
                QStringLiteral("Backspace"));
    QCOMPARE(app::ShortcutText(QKeySequence(Qt::Key_Backspace)), QStringLiteral("Backspace"));
    QCOMPARE(app::ShortcutText(QKeySequence(Qt::Key_Return)), QStringLiteral("Enter"));
    QCOMPARE(app::ShortcutText(QKeySequence(Qt::CTRL | Qt::Key_Delete)), QStringLiteral("Ctrl+Del"));
    QCOMPARE(app::ShortcutText(QKeySequence(Qt::Key_Escape)), QStringLiteral("Esc"));
    QCOMPARE(app::ShortcutText(QKeySequence()), QString());
    app::MainWindow& w = *m_window;
    auto allCommandMenus = [](QWidget& window) {
        const QList<QAction*> menus = window.findChild<QMenuBar*>()->actions();
        return !menus.isEmpty() && std::all_of(menus.begin(), menus.end(), [](QAction* menu) {
            return qobject_cast<app::CommandMenu*>(menu->menu()) != nullptr;
        });
    };
    QVERIFY(allCommandMenus(w));
    QVERIFY(qobject_cast<app::CommandMenu*>(w.PopupMenu1()) != nullptr);
    QCOMPARE(app::CommandMenu::itemText(*w.actions().AOpenFolder1),
             QStringLiteral(u"フォルダを開く(&F)...\tBackspace"));
    QCOMPARE(app::CommandMenu::itemText(*w.pane().actions().AMessageOpen1),
             QStringLiteral(u"メッセージを開く(&M)\tEnter"));
    QCOMPARE(app::CommandMenu::itemText(*w.pane().actions().AMessageDelete1),
             QStringLiteral(u"削除(&D)\tCtrl+Del"));
    QCOMPARE(app::CommandMenu::itemText(*w.actions().AAbout1), QStringLiteral(u"このプログラムについて(&A)"));
    app::SearchWindow& find = *w.formFind();
    QVERIFY(allCommandMenus(find));
    QCOMPARE(app::CommandMenu::itemText(*find.actions().AExit1), QStringLiteral(u"終了(&X)\tEsc"));
}

void TestMainWindowOptions::aboutBoxOpensAndCloses() {
    QString version;
    whenModal([&version](QWidget* modal) {
        auto* form5 = qobject_cast<app::AboutDialog*>(modal);
        if (!form5) return;
        version = form5->Version()->text();
        form5->OKButton()->click();
    });
    m_window->actions().AAbout1->trigger();
    QVERIFY(version.startsWith(QStringLiteral("Version ")));
}

void TestMainWindowOptions::folderCaptionHoverAndClick() {
    app::FolderCaption* strip = m_window->captionStrip();
    QCOMPARE(strip->height(), 20);
    QCOMPARE(strip->textColor(), QColor(Qt::white));
    QCOMPARE(strip->font().pixelSize(), 16);
    QVERIFY(strip->font().bold());
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), strip->mapToGlobal(QPointF(3, 3)));
    QApplication::sendEvent(strip, &enter);
    QCOMPARE(strip->textColor(), QColor(0, 255, 255));
    QCOMPARE(strip->toolTip(),
             QStringLiteral(u"ここをクリック、又はBackspaceキーでフォルダをツリー表示できます。"));
    QCOMPARE(strip->cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(strip, &leave);
    QCOMPARE(strip->textColor(), QColor(Qt::white));
    // A click is the open-folder command; so is Backspace, from anywhere.
    QTest::mouseClick(strip, Qt::LeftButton);
    QCOMPARE(m_ports->folderPrompts.size(), 1);
    QTest::keyClick(m_window->LV1(), Qt::Key_Backspace);
    QCOMPARE(m_ports->folderPrompts.size(), 2);
}

void TestMainWindowOptions::largeFolderShowsTheProgressDialog() {
    const std::filesystem::path large = m_folder.parent_path() / "large";
    std::filesystem::create_directories(large);
    for (int i = 0; i < 100; ++i)
        WriteBytes(large / ("m" + std::to_string(i) + ".eml"), "From: a@example.com\nSubject: s\n\nbody\n");
    m_ports->folderAnswer = large;
    m_window->actions().AOpenFolder1->trigger();
    QCOMPARE(m_window->listView().rowCount(), 100);
    QCOMPARE(m_ports->progress->shows, 0);  // a hundred read without it
    WriteBytes(large / "m100.eml", "From: a@example.com\nSubject: s\n\nbody\n");
    m_window->actions().ARefresh1->trigger();
    QCOMPARE(m_window->listView().rowCount(), 101);
    QCOMPARE(m_ports->progress->shows, 1);
    QVERIFY(!m_ports->progress->visible);
    QCOMPARE(m_window->panelText(0), QStringLiteral(u"101 通のメッセージ"));
    // So does a delete of more than a hundred of them.
    m_window->pane().SelAll1Click();
    m_window->pane().actions().AMessageDelete1->trigger();
    QCOMPARE(m_ports->progress->shows, 2);
    QCOMPARE(app::fromCp932(m_ports->progress->title), QStringLiteral(u"ごみ箱に移動しています…"));
    QCOMPARE(m_window->listView().rowCount(), 0);
    QVERIFY(!m_ports->progress->visible);
}

QTEST_MAIN(TestMainWindowOptions)
#include "test_main_window_options.moc"
