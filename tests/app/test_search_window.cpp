// SPDX-License-Identifier: MIT
// The search window driven as a user drives it: conditions typed into the
// fields, the buttons, the histories, closing and reopening, the settings
// at exit, and the way back to the main window. Results are compared with
// what pelmora-cli search finds with the same conditions.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>

#include "app/list_pane.h"
#include "app/main_window_caption.h"
#include "app/message_preview.h"
#include "app/progress_dialog.h"
#include "copied_folder.h"
#include "dialogs_test_support.h"
#include "main_window_fixture.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

using namespace pelmora;
using namespace pelmora::test;

namespace {

// One search as both front ends take it: the four fields, the day limits
// (YYYY-MM-DD, empty for none), the attachments switch and subfolders.
struct Conditions {
    QString from, to, subject, body, after, before;
    bool attach = false;
    bool recurse = false;
};

QStringList cliArguments(const Conditions& c) {
    QStringList args{QStringLiteral("search"), QStringLiteral("--format=tsv")};
    auto add = [&args](const char* option, const QString& value) {
        if (!value.isEmpty()) args << QString::fromLatin1(option) + value;
    };
    add("--from=", c.from);
    add("--to=", c.to);
    add("--subject=", c.subject);
    add("--body=", c.body);
    add("--after=", c.after);
    add("--before=", c.before);
    if (c.attach) args << QStringLiteral("--attach");
    if (c.recurse) args << QStringLiteral("-r");
    return args;
}

// The files pelmora-cli search finds, relative to folder, sorted.
QStringList cliSearch(const std::filesystem::path& folder, const Conditions& c) {
    QProcess cli;
    cli.start(QStringLiteral(PELMORA_CLI), cliArguments(c) << qs(folder));
    if (!cli.waitForFinished(60000)) return {QStringLiteral("<cli did not finish>")};
    QStringList lines =
        QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!lines.isEmpty()) lines.removeFirst();
    QStringList files;
    for (const QString& line : lines) files << line.section(QLatin1Char('\t'), 0, 0);
    files.sort();
    return files;
}

QStringList foundFiles(app::SearchWindow& find, const std::filesystem::path& folder) {
    QStringList files;
    for (int row = 0; row < find.pane().listPort().rowCount(); ++row)
        files << qs(std::filesystem::path(find.foundList()[static_cast<std::size_t>(row)]->FileName)
                        .lexically_relative(folder));
    files.sort();
    return files;
}

// Typing as an input method delivers Japanese text: one committed string.
void type(QLineEdit* edit, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit, &commit);
}

// Types the conditions into the window, as a user does, and leaves each field.
void enter(app::SearchWindow& find, const Conditions& c) {
    find.clearConditionsButton()->click();
    const QString texts[] = {c.from, c.to, c.subject, c.body};
    for (int number = 1; number <= 4; ++number) {
        QLineEdit* edit = find.field(number)->lineEdit();
        edit->setFocus();
        type(edit, texts[number - 1]);
    }
    find.LV2()->setFocus();
    const QString days[] = {c.after, c.before};
    for (int i = 1; i <= 2; ++i) {
        if (days[i - 1].isEmpty()) continue;
        find.pickerCheck(i)->setChecked(true);
        find.picker(i)->setDate(QDate::fromString(days[i - 1], Qt::ISODate));
    }
    find.attachmentsOnly()->setChecked(c.attach);
    find.attachmentsOnly()->clicked(c.attach);
    find.includeSubfolders()->setChecked(c.recurse);
}

QStringList historyOf(const QComboBox& field) {
    QStringList items;
    for (int i = 0; i < field.count(); ++i) items << field.itemText(i);
    return items;
}

}  // namespace

class TestSearchWindow : public MainWindowTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void runsFindWhatTheCommandLineFinds_data();
    void runsFindWhatTheCommandLineFinds();
    void narrowingKeepsWhatMeetsTheNewConditions();
    void buttonsFollowTheConditions();
    void historiesMoveUpAndSurviveClearing();
    void enterOpensOrSearchesAndEscapeCloses();
    void keysInAFieldLeaveItsHistoryAndItsOpenList();
    void reopeningKeepsConditionsButNotTheRows();
    void settingsWrittenAtExitComeBack();
    void chosenResultOpensItsFolderInTheMainWindow();
    void folderTreeEntrySearchesTheClickedFolder();
    void folderHintOnlyOverTheFolderColumn();
    void resultCommandsAndMenus();
    void nothingElseRunsDuringARun();
    void unsearchableBodiesAreAskedAboutAndCounted();
    void folderChoiceStartsAtTheFolder();
    void screenshots();
    void largeSearchShowsProgressAndStops();

private:
    app::SearchWindow& find() { return *m_window->formFind(); }
    // Shows the search window without its modal loop.
    app::SearchWindow& openFind();
    void search(const Conditions& c);
};

void TestSearchWindow::initTestCase() {
    QVERIFY(setUpHome());
    // The example folder, with a subfolder holding copies of three messages.
    m_folder = homeFolder("mail");
    std::filesystem::copy(std::filesystem::path(PELMORA_SOURCE_DIR) / "examples" / "mail", m_folder);
    std::filesystem::create_directories(m_folder / "sub");
    for (const char* name : {"04-sjis-quotation.eml", "09-order-sheet-attached.eml", "16-power-outage.eml"})
        std::filesystem::copy_file(m_folder / name, m_folder / "sub" / name);
}

void TestSearchWindow::init() {
    // The command line never asks about bodies it cannot search; the window
    // is told the same so both search the same way.
    std::filesystem::create_directories(SettingsFolder());
    WriteBytes(SettingsFilePath(), "[Option]\r\nErrorUnableDecode=0\r\n");
    QVERIFY(openWindow());
    QVERIFY(m_window->formFind() != nullptr);
}

void TestSearchWindow::cleanup() {
    closeWindow();
}

app::SearchWindow& TestSearchWindow::openFind() {
    app::SearchWindow& f = find();
    f.setFolder(m_folder);
    f.show();
    // Leaving a field is noticed only in the active window.
    f.activateWindow();
    QApplication::setActiveWindow(&f);
    (void)QTest::qWaitForWindowActive(&f);
    return f;
}

void TestSearchWindow::search(const Conditions& c) {
    enter(find(), c);
    QVERIFY(find().startButton()->isEnabled());
    QTest::mouseClick(find().startButton(), Qt::LeftButton);
}

void TestSearchWindow::runsFindWhatTheCommandLineFinds_data() {
    QTest::addColumn<Conditions>("conditions");
    QTest::addColumn<int>("atLeast");
    QTest::newRow("one Japanese body word")
        << Conditions{{}, {}, {}, QStringLiteral(u"見積"), {}, {}, false, false} << 3;
    QTest::newRow("subject A OR B") << Conditions{{},    {},   QStringLiteral(u"定例 OR 納品日"), {}, {}, {},
                                                  false, false}
                                    << 4;
    QTest::newRow("recipient with an exclusion")
        << Conditions{{}, QStringLiteral(u"山田"), {}, QStringLiteral(u"-添付"), {}, {}, false, false} << 5;
    QTest::newRow("date range")
        << Conditions{{},    {},   {}, {}, QStringLiteral("2024-05-15"), QStringLiteral("2024-05-23"),
                      false, false}
        << 5;
    QTest::newRow("attachments only") << Conditions{{}, {}, {}, {}, {}, {}, true, false} << 2;
    QTest::newRow("attachments only, with subfolders") << Conditions{{}, {}, {}, {}, {}, {}, true, true} << 3;
    QTest::newRow("body word with subfolders")
        << Conditions{{}, {}, {}, QStringLiteral(u"見積"), {}, {}, false, true} << 4;
}

void TestSearchWindow::runsFindWhatTheCommandLineFinds() {
    QFETCH(Conditions, conditions);
    QFETCH(int, atLeast);
    app::SearchWindow& f = openFind();
    search(conditions);
    const QStringList found = foundFiles(f, m_folder);
    QVERIFY2(found.size() >= atLeast, qPrintable(found.join(QLatin1Char(' '))));
    QCOMPARE(found, cliSearch(m_folder, conditions));
    QCOMPARE(f.panelText(0), QString::number(found.size()) + QStringLiteral(u" 通のメッセージ"));
    // Sorted ascending by the view's key (received date).
    const MsgList& list = f.foundList();
    QVERIFY(std::is_sorted(list.begin(), list.end(),
                           [](const auto& a, const auto& b) { return a->RecvDate < b->RecvDate; }));
    QVERIFY(f.narrowButton()->isEnabled());
    QVERIFY(m_ports->searchProgress->title ==
            std::string("\x8F\xF0\x8C\x8F\x82\xC9\x8D\x87\x82\xA4\x82\xA9\x83`\x83"
                        "F\x83"
                        "b\x83N\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81"
                        "c"));
    QVERIFY(!m_ports->searchProgress->visible);
}

void TestSearchWindow::narrowingKeepsWhatMeetsTheNewConditions() {
    app::SearchWindow& f = openFind();
    Conditions c{{}, {}, {}, QStringLiteral(u"見積"), {}, {}, false, true};
    search(c);
    const int before = f.pane().listPort().rowCount();
    c.from = QStringLiteral(u"山田");
    type(f.field(1)->lineEdit(), c.from);
    QVERIFY(f.narrowButton()->isEnabled());
    QTest::mouseClick(f.narrowButton(), Qt::LeftButton);
    const QStringList narrowed = foundFiles(f, m_folder);
    QCOMPARE(narrowed, cliSearch(m_folder, c));
    QVERIFY(narrowed.size() < before && !narrowed.isEmpty());
    QCOMPARE(f.panelText(0),
             QString::number(narrowed.size()) + QStringLiteral(u" 通のメッセージ、絞込み検索"));
}

void TestSearchWindow::buttonsFollowTheConditions() {
    app::SearchWindow& f = openFind();
    f.clearConditionsButton()->click();
    QVERIFY(!f.startButton()->isEnabled());
    QVERIFY(!f.narrowButton()->isEnabled());
    // Attachments only is a condition; narrowing needs rows first.
    QTest::mouseClick(f.attachmentsOnly(), Qt::LeftButton);
    QVERIFY(f.startButton()->isEnabled());
    QVERIFY(!f.narrowButton()->isEnabled());
    // Without a folder there is nothing to search.
    f.setFolder({});
    f.UpdateSearchButtons();
    QVERIFY(!f.startButton()->isEnabled());
    f.setFolder(m_folder);
    f.UpdateSearchButtons();
    // A reversed range: both dates bold, both buttons off until it is right.
    f.picker(1)->setDate(QDate(2024, 6, 1));
    f.picker(2)->setDate(QDate(2024, 5, 1));
    f.pickerCheck(1)->setChecked(true);
    QVERIFY(f.startButton()->isEnabled());
    f.pickerCheck(2)->setChecked(true);
    QVERIFY(f.picker(1)->font().bold() && f.picker(2)->font().bold());
    QVERIFY(!f.startButton()->isEnabled());
    f.picker(2)->setDate(QDate(2024, 6, 1));
    QVERIFY(!f.picker(1)->font().bold() && !f.picker(2)->font().bold());
    QVERIFY(f.startButton()->isEnabled());
    // An expression of only a minus sign sets no condition.
    f.clearConditionsButton()->click();
    QTest::keyClicks(f.field(3)->lineEdit(), QStringLiteral("-"));
    QVERIFY(!f.startButton()->isEnabled());
}

void TestSearchWindow::historiesMoveUpAndSurviveClearing() {
    app::SearchWindow& f = openFind();
    QComboBox* field = f.field(3);
    auto typeAndLeave = [&](const QString& text) {
        field->lineEdit()->setFocus();
        field->setEditText(text);
        f.LV2()->setFocus(Qt::TabFocusReason);
    };
    for (int i = 1; i <= 11; ++i) typeAndLeave(QStringLiteral("t%1").arg(i));
    QCOMPARE(field->count(), 10);
    QCOMPARE(field->itemText(0), QStringLiteral("t11"));
    QCOMPARE(field->itemText(9), QStringLiteral("t2"));
    // Letter case is ignored; the entry keeps its own case, the field the typed one.
    typeAndLeave(QStringLiteral("ABC"));
    typeAndLeave(QStringLiteral("x"));
    typeAndLeave(QStringLiteral("abc"));
    QCOMPARE(field->itemText(0), QStringLiteral("ABC"));
    QCOMPARE(field->itemText(1), QStringLiteral("x"));
    QCOMPARE(field->currentText(), QStringLiteral("abc"));
    QCOMPARE(historyOf(*field).filter(QStringLiteral("ABC"), Qt::CaseInsensitive).size(), 1);
    // Leaving an empty field changes nothing.
    const QStringList kept = historyOf(*field);
    typeAndLeave(QString());
    QCOMPARE(historyOf(*field), kept);
    // 条件クリア keeps the histories; 履歴クリア (answered はい) keeps the texts.
    typeAndLeave(QStringLiteral("keep"));
    f.clearConditionsButton()->click();
    QCOMPARE(field->currentText(), QString());
    QCOMPARE(field->count(), 10);
    field->setEditText(QStringLiteral("stays"));
    m_ports->searchPrompts->answers = {ports::Answer::No};
    f.clearHistoriesButton()->click();
    QCOMPARE(field->count(), 10);
    f.clearHistoriesButton()->click();
    QCOMPARE(field->count(), 0);
    QCOMPARE(field->currentText(), QStringLiteral("stays"));
    QCOMPARE(f.conditions().SubjectTerms.size(), std::size_t{1});
    QCOMPARE(app::fromCp932Message(m_ports->searchPrompts->shown.back().substr(6)),
             QStringLiteral(u"検索文字列の履歴をクリアしますか？"));
    QCOMPARE(app::fromCp932(m_ports->searchPrompts->titles.back()), QStringLiteral(u"確認"));
}

void TestSearchWindow::enterOpensOrSearchesAndEscapeCloses() {
    app::SearchWindow& f = openFind();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.activateWindow();
    f.field(3)->lineEdit()->setFocus();
    // Enter in a field starts a run (nothing selected) and leaves the history alone.
    type(f.field(3)->lineEdit(), QStringLiteral(u"定例"));
    QTest::keyClick(f.field(3), Qt::Key_Return);
    QVERIFY(f.pane().listPort().rowCount() > 0);
    QCOMPARE(f.field(3)->count(), 0);
    // With exactly one row selected, Enter opens it, also from a field.
    f.pane().listPort().setSelected(0, true);
    QVERIFY(f.actions().AFindFileOpen1->isEnabled());
    QTest::keyClick(f.field(3), Qt::Key_Return);
    QCOMPARE(m_ports->searchShell->opened.size(), std::size_t{1});
    QCOMPARE(m_ports->searchShell->opened.front().string(), f.foundList()[0]->FileName);
    // Ctrl+A selects the rows even while a field has the focus.
    QTest::keyClick(f.field(3), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.pane().listPort().selectedCount(), f.pane().listPort().rowCount());
    QTest::keyClick(f.LV2(), Qt::Key_Escape);
    QVERIFY(!f.isVisible());
    QCOMPARE(f.FoundIndex, -1);
}

void TestSearchWindow::keysInAFieldLeaveItsHistoryAndItsOpenList() {
    app::SearchWindow& f = openFind();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QComboBox* field = f.field(3);
    const QStringList history{QStringLiteral(u"定例"), QStringLiteral(u"納品日")};
    field->addItems(history);
    field->lineEdit()->setFocus(Qt::TabFocusReason);
    type(field->lineEdit(), QStringLiteral(u"見積"));
    // Enter starts a run whose progress dialog takes the focus, as the
    // desktop's does; that is not the user leaving the field.
    QWidget progress;
    m_ports->searchProgress->duringEvents = [&] {
        if (progress.isVisible()) return;
        progress.show();
        QApplication::setActiveWindow(&progress);
    };
    QTest::keyClick(field, Qt::Key_Return);
    m_ports->searchProgress->duringEvents = nullptr;
    QVERIFY(progress.isVisible());
    progress.hide();
    QApplication::setActiveWindow(&f);
    QVERIFY(f.pane().listPort().rowCount() > 0);
    QCOMPARE(historyOf(*field), history);
    // Esc on the open list closes the list; the window and its rows stay.
    const int rows = f.pane().listPort().rowCount();
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    QTRY_VERIFY(field->view()->isVisible());
    QTest::keyClick(f.windowHandle(), Qt::Key_Escape);
    QTRY_VERIFY(!field->view()->isVisible());
    QVERIFY(f.isVisible());
    QCOMPARE(f.pane().listPort().rowCount(), rows);
    QCOMPARE(field->currentText(), QStringLiteral(u"見積"));
    // With the list closed, Esc closes the window.
    QTest::keyClick(f.windowHandle(), Qt::Key_Escape);
    QVERIFY(!f.isVisible());
}

void TestSearchWindow::reopeningKeepsConditionsButNotTheRows() {
    app::SearchWindow& f = openFind();
    search({{}, {}, QStringLiteral(u"定例"), {}, {}, {}, false, true});
    QVERIFY(f.pane().listPort().rowCount() > 0);
    f.close();
    QVERIFY(!f.isVisible());
    f.show();
    QCOMPARE(f.field(3)->currentText(), QStringLiteral(u"定例"));
    QVERIFY(f.includeSubfolders()->isChecked());
    QCOMPARE(f.pane().listPort().rowCount(), 0);
    QCOMPARE(f.panelText(0), QStringLiteral(u"0 通のメッセージ、未検索"));
    QCOMPARE(f.panelText(1), QString());
    QVERIFY(f.startButton()->isEnabled());
    QVERIFY(!f.narrowButton()->isEnabled());
    QVERIFY(!f.pane().actions().ASelAll1->isEnabled());
}

void TestSearchWindow::settingsWrittenAtExitComeBack() {
    app::SearchWindow& f = openFind();
    f.field(1)->lineEdit()->setFocus();
    f.field(1)->setEditText(QStringLiteral(u"山田"));
    f.field(4)->lineEdit()->setFocus(Qt::TabFocusReason);
    f.field(4)->setEditText(QStringLiteral(u"見積"));
    f.LV2()->setFocus(Qt::TabFocusReason);
    QCOMPARE(historyOf(*f.field(4)), QStringList{QStringLiteral(u"見積")});
    f.field(4)->setEditText(QStringLiteral(u"納品"));
    f.includeSubfolders()->setChecked(true);
    f.LV2()->header()->resizeSection(6, 155);
    f.close();
    m_window->close();
    const std::string written = [] {
        std::ifstream in(SettingsFilePath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    QVERIFY(written.find("FFC6Width=155") != std::string::npos);
    QVERIFY(written.find("FFsearchSubFolder=1") != std::string::npos);
    QVERIFY(written.find("CB101=") != std::string::npos);
    // Only non-empty history texts are written.
    QVERIFY(written.find("CB200") == std::string::npos);
    QVERIFY(written.find("CB102") == std::string::npos);
    m_window.reset();

    m_ports = std::make_unique<TestPortFactory>();
    m_window = std::make_unique<app::MainWindow>(*m_ports, SettingsFilePath(), QStringList{qs(m_folder)});
    QVERIFY(showAndActivate(*m_window));
    app::SearchWindow& again = openFind();
    QCOMPARE(again.field(1)->currentText(), QStringLiteral(u"山田"));
    QCOMPARE(historyOf(*again.field(1)), QStringList{QStringLiteral(u"山田")});
    QCOMPARE(again.field(4)->currentText(), QStringLiteral(u"納品"));
    QCOMPARE(historyOf(*again.field(4)), QStringList{QStringLiteral(u"見積")});
    QVERIFY(again.includeSubfolders()->isChecked());
    QCOMPARE(again.LV2()->header()->sectionSize(6), 155);
    // The conditions are rebuilt from the texts at once.
    QVERIFY(again.startButton()->isEnabled());
    QCOMPARE(again.conditions().BodyTerms.size(), std::size_t{1});
}

void TestSearchWindow::chosenResultOpensItsFolderInTheMainWindow() {
    bool chosen = false;
    whenModal([&](QWidget* modal) {
        auto* f = qobject_cast<app::SearchWindow*>(modal);
        if (!f) return;
        QCOMPARE(f->folderEdit()->text(), qs(m_folder));
        search({{}, {}, QStringLiteral(u"停電"), {}, {}, {}, false, true});
        for (int row = 0; row < f->pane().listPort().rowCount(); ++row) {
            if (f->foundList()[static_cast<std::size_t>(row)]->FolderPath != (m_folder / "sub").string())
                continue;
            f->pane().listPort().setSelected(row, true);
            break;
        }
        chosen = f->actions().AFindFileOpen1->isEnabled();
        f->actions().AFindFileOpen1->trigger();
    });
    QTest::keyClick(m_window->LV1(), Qt::Key_F3);
    QVERIFY(chosen);
    QCOMPARE(m_window->currentFolder(), m_folder / "sub");
    QCOMPARE(m_window->listView().rowCount(), 3);
    QCOMPARE(m_window->listView().selectedCount(), 1);
    const TMsgItem& selected =
        *m_window->msgList()[static_cast<std::size_t>(m_window->listView().selectedRows().front())];
    QVERIFY(app::fromCp932(selected.Subject).contains(QStringLiteral(u"停電")));
    QCOMPARE(m_window->focusWidget(), static_cast<QWidget*>(m_window->LV1()));
}

void TestSearchWindow::folderTreeEntrySearchesTheClickedFolder() {
    QTreeView* tree = m_window->STV1();
    auto* folders = qobject_cast<app::FolderTreeModel*>(tree->model());
    QModelIndex sub;
    QTRY_VERIFY((sub = folders->indexOf(qs(m_folder / "sub"))).isValid());
    tree->scrollTo(sub);
    QTRY_VERIFY(tree->visualRect(sub).isValid());
    QString searched;
    bool bold = false;
    auto* timer = new QTimer(this);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, [&, timer] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        timer->stop();
        const QList<QAction*> entries = menu->actions();
        bold = entries.size() > 2 && menu->defaultAction() == entries[0] && entries[1]->isSeparator();
        whenModal([&](QWidget* modal) {
            searched = qobject_cast<app::SearchWindow*>(modal)->folderEdit()->text();
            modal->close();
        });
        entries[0]->trigger();
        menu->close();
    });
    timer->start();
    // The right click neither loads the folder nor makes it the tree's current one.
    const QModelIndex current = tree->currentIndex();
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, onTheName(*tree, sub));
    QCOMPARE(tree->currentIndex(), current);
    QCOMPARE(m_window->currentFolder(), m_folder);
    emit tree->customContextMenuRequested(onTheName(*tree, sub));
    QTRY_COMPARE(searched, qs(m_folder / "sub"));
    QVERIFY(bold);
    QCOMPARE(m_window->currentFolder(), m_folder);
    // The override lasts for that one search only.
    whenModal([&](QWidget* modal) {
        searched = qobject_cast<app::SearchWindow*>(modal)->folderEdit()->text();
        modal->close();
    });
    m_window->MessageFind1Click();
    QCOMPARE(searched, qs(m_folder));
}

void TestSearchWindow::folderHintOnlyOverTheFolderColumn() {
    app::SearchWindow& f = openFind();
    search({{}, {}, {}, {}, {}, {}, true, true});
    QAbstractItemModel* model = f.LV2()->model();
    QCOMPARE(model->headerData(6, Qt::Horizontal).toString(), QStringLiteral(u"フォルダ名"));
    for (int row = 0; row < model->rowCount(); ++row) {
        const TMsgItem& entry = *f.foundList()[static_cast<std::size_t>(row)];
        QCOMPARE(model->data(model->index(row, 6)).toString(), app::fromPath(entry.FolderName.str()));
        QCOMPARE(model->data(model->index(row, 6), Qt::ToolTipRole).toString(),
                 app::fromPath(entry.FolderPath.str()));
        for (int column = 0; column < 6; ++column)
            QVERIFY(model->data(model->index(row, column), Qt::ToolTipRole).isNull());
    }
    QCOMPARE(model->data(model->index(0, 5), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
             Qt::AlignRight);
}

void TestSearchWindow::resultCommandsAndMenus() {
    app::SearchWindow& f = openFind();
    const app::ListPane::Actions& list = f.pane().actions();
    const app::SearchWindow::Actions& a = f.actions();
    QList<QAction*> popup = f.popupMenu()->actions();
    QCOMPARE(popup.size(), 7);
    QCOMPARE(popup.mid(0, 5), (QList<QAction*>{list.AMessageOpen1, list.AMessageEdit1, list.AMessageDelete1,
                                               list.AAttachDelete1, list.AAttachSave1}));
    QVERIFY(popup[5]->isSeparator());
    QCOMPARE(popup[6], a.AFindFileOpen1);
    QCOMPARE(list.ASelAll1->text(), QStringLiteral(u"すべてを選択(&A)"));
    QCOMPARE(a.AFindFileOpen1->toolTip(), QStringLiteral(u"終了して含まれているフォルダを開く"));
    // Two copies of one message and a third that differs: the duplicate
    // check keeps the copies and selects all but the first.
    search({{}, {}, QStringLiteral(u"納品日"), {}, {}, {}, false, true});
    QCOMPARE(f.pane().listPort().rowCount(), 2);
    f.pane().listPort().setSelected(0, true);
    // The found message shows in the window's own preview.
    QVERIFY(f.pane().preview()->text().contains(QStringLiteral(u"件名: ")));
    QVERIFY(f.pane().preview()->text().contains(QStringLiteral(u"納品日")));
    QTest::keyClick(f.LV2(), Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(f.pane().listPort().rowCount(), 2);
    QCOMPARE(f.pane().listPort().selectedCount(), 1);
    QCOMPARE(f.panelText(1), QStringLiteral(u"1 組、2 通の重複（1 通を選択）"));
    // The main window's caption is not the search window's to change.
    QVERIFY(!m_window->captionStrip()->text().contains(QStringLiteral(u"重複")));
    QVERIFY(a.AFindFileOpen1->isEnabled());
    QVERIFY(!list.AAttachDelete1->isEnabled());
    // Narrowing needs rows: the check left two.
    QVERIFY(f.narrowButton()->isEnabled());
}

void TestSearchWindow::nothingElseRunsDuringARun() {
    app::SearchWindow& f = openFind();
    Conditions c{{}, {}, {}, QStringLiteral(u"見積"), {}, {}, false, true};
    const int mainLoads = m_ports->progress->shows;
    int attempts = 0;
    m_ports->searchProgress->duringEvents = [&] {
        ++attempts;
        // Another run, the main window's reload and the list's commands
        // all wait for the run to end.
        f.startSearch();
        m_window->Refresh1Click();
        m_window->MessageFind1Click();
        f.pane().SelAll1Click();
        f.pane().Dupcheck1Click();
        QVERIFY(!f.pane().actions().AMessageOpen1->isEnabled());
        QVERIFY(!f.browseButton()->isEnabled() && !f.startButton()->isEnabled() &&
                !f.clearConditionsButton()->isEnabled());
    };
    search(c);
    m_ports->searchProgress->duringEvents = nullptr;
    QVERIFY(attempts > 5);
    QCOMPARE(m_ports->progress->shows, mainLoads);
    QCOMPARE(foundFiles(f, m_folder), cliSearch(m_folder, c));
    QCOMPARE(f.pane().listPort().selectedCount(), 0);
    QVERIFY(f.browseButton()->isEnabled() && f.startButton()->isEnabled() &&
            f.clearConditionsButton()->isEnabled());
}

void TestSearchWindow::unsearchableBodiesAreAskedAboutAndCounted() {
    // Three messages in a charset the search cannot read; the window asks.
    const std::filesystem::path odd = app::toPath(m_home.filePath(QStringLiteral("odd")));
    std::filesystem::create_directories(odd);
    for (const char* name : {"1.eml", "2.eml", "3.eml"})
        WriteBytes(
            odd / name,
            "From: a@example.com\nSubject: odd\nContent-Type: text/plain; charset=x-mac-japanese\n\nbody\n");
    WriteBytes(SettingsFilePath(), "[Option]\r\nErrorUnableDecode=1\r\n");
    m_window.reset();
    m_ports = std::make_unique<TestPortFactory>();
    m_window = std::make_unique<app::MainWindow>(*m_ports, SettingsFilePath(), QStringList{qs(m_folder)});
    QVERIFY(showAndActivate(*m_window));
    app::SearchWindow& f = openFind();
    f.setFolder(odd);
    FakePrompts& prompts = *m_ports->searchPrompts;
    auto run = [&](std::deque<ports::Answer> answers) {
        prompts.shown.clear();
        prompts.answers = std::move(answers);
        search({{}, {}, {}, QStringLiteral("body"), {}, {}, false, false});
        int asked = 0;
        for (const std::string& shown : prompts.shown) asked += shown.starts_with("yescancelall:");
        return asked;
    };
    // はい each time: every message is asked about, dropped and counted.
    QCOMPARE(run({}), 3);
    QCOMPARE(f.pane().listPort().rowCount(), 0);
    QCOMPARE(app::fromCp932Message(prompts.shown.back().substr(5)),
             QStringLiteral(u"3 個のメッセージをスキップして検索しました。"));
    // すべてはい: asked once, the rest searched without a question.
    QCOMPARE(run({ports::Answer::YesToAll}), 1);
    QCOMPARE(f.pane().listPort().rowCount(), 2);
    QCOMPARE(app::fromCp932Message(prompts.shown.back().substr(5)),
             QStringLiteral(u"1 個のメッセージをスキップして検索しました。"));
    // キャンセル ends the run.
    QCOMPARE(run({ports::Answer::Cancel}), 1);
    QCOMPARE(f.pane().listPort().rowCount(), 0);
    QVERIFY(f.startButton()->isEnabled());
}

void TestSearchWindow::folderChoiceStartsAtTheFolder() {
    app::SearchWindow& f = openFind();
    m_ports->folderAnswer = m_folder / "sub";
    QTest::mouseClick(f.browseButton(), Qt::LeftButton);
    QCOMPARE(m_ports->folderPrompts.back(),
             QStringLiteral(u"emlファイルを保存したフォルダを選択して下さい。"));
    QCOMPARE(m_ports->folderStarts.back(), m_folder);
    QCOMPARE(f.folderEdit()->text(), qs(m_folder / "sub"));
    // A folder that has gone: the browser starts where it likes; cancel changes nothing.
    f.setFolder(m_folder / "gone");
    m_ports->folderAnswer.reset();
    QTest::mouseClick(f.browseButton(), Qt::LeftButton);
    QCOMPARE(m_ports->folderStarts.back(), std::filesystem::path());
    QCOMPARE(f.folderEdit()->text(), qs(m_folder / "gone"));
}

// Pictures of the window for a person to look at; only when asked for
// (PELMORA_SCREENSHOT_DIR set, a real display).
void TestSearchWindow::screenshots() {
    const QString dir = qEnvironmentVariable("PELMORA_SCREENSHOT_DIR");
    if (dir.isEmpty()) QSKIP("PELMORA_SCREENSHOT_DIR not set");
    auto shoot = [&](const QString& name) {
        QTest::qWait(400);
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), dir + QLatin1Char('/') + name});
    };
    app::SearchWindow& f = openFind();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.field(3)->setEditText(QStringLiteral(u"見積 OR 納品"));
    shoot(QStringLiteral("search-before.png"));
    search({{}, {}, QStringLiteral(u"見積 OR 納品"), {}, {}, {}, false, true});
    f.pane().listPort().setSelected(1, true);
    shoot(QStringLiteral("search-after.png"));
    QRect cell = f.LV2()->visualRect(f.LV2()->model()->index(1, 6));
    QTest::mouseMove(f.LV2()->viewport(), cell.center());
    QHelpEvent help(QEvent::ToolTip, cell.center(), f.LV2()->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(f.LV2()->viewport(), &help);
    shoot(QStringLiteral("search-folder-hint.png"));
    f.picker(1)->setDate(QDate(2024, 6, 1));
    f.picker(2)->setDate(QDate(2024, 5, 1));
    f.pickerCheck(1)->setChecked(true);
    f.pickerCheck(2)->setChecked(true);
    shoot(QStringLiteral("search-reversed-dates.png"));
    f.close();
    // The folder tree's menu with its search entry on top.
    QTreeView* tree = m_window->STV1();
    const QModelIndex sub = qobject_cast<app::FolderTreeModel*>(tree->model())->indexOf(qs(m_folder / "sub"));
    tree->scrollTo(sub);
    QTRY_VERIFY(tree->visualRect(sub).isValid());
    QTimer::singleShot(500, this, [&] {
        shoot(QStringLiteral("tree-menu.png"));
        if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    });
    emit tree->customContextMenuRequested(onTheName(*tree, sub));
}

// 100,000 messages searched from the window with the desktop's own
// progress dialog: the window keeps handling events, the dialog shows the
// count, and 中断 ends the run. Slow, so it runs only with the pictures.
void TestSearchWindow::largeSearchShowsProgressAndStops() {
    const QString dir = qEnvironmentVariable("PELMORA_SCREENSHOT_DIR");
    if (dir.isEmpty()) QSKIP("PELMORA_SCREENSHOT_DIR not set");
    CopiedMessageFolder big({std::filesystem::path(PELMORA_SOURCE_DIR) / "examples" / "mail"}, 100000, 8);
    m_window.reset();
    // As the window searches by default, ready to ask about a body it cannot
    // search: one message at a time on this thread, the files ahead in
    // flight. (Without questions, 31 more readers finish a cached folder
    // before this thread gets round to seeing the click.)
    WriteBytes(SettingsFilePath(), "[Option]\r\nErrorUnableDecode=1\r\n");
    auto desktop = app::makeDesktopPortFactory();
    app::MainWindow window(*desktop, SettingsFilePath(), QStringList{});
    QVERIFY(showAndActivate(window));
    app::SearchWindow& f = *window.formFind();
    f.setFolder(big.path());
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.field(4)->setEditText(QStringLiteral(u"見積"));
    f.includeSubfolders()->setChecked(true);
    int ticks = 0;
    QTimer heartbeat;
    connect(&heartbeat, &QTimer::timeout, this, [&ticks] { ++ticks; });
    heartbeat.start(50);
    QString count;
    QPixmap picture;
    bool shown = false;
    // 中断 once the check of the collected files is well under way.
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        auto* progress = f.findChild<app::ProgressDialog*>();
        if (!progress || !progress->isVisible() || progress->bar()->value() < 2000) return;
        if (!progress->titleLine()->text().startsWith(QStringLiteral(u"条件に合うか"))) return;
        watch.stop();
        shown = true;
        count = progress->countLine()->text();
        picture = QGuiApplication::primaryScreen()->grabWindow(0);
        QTest::mouseClick(progress->abortButton(), Qt::LeftButton);
    });
    watch.start(10);
    f.startButton()->click();
    QVERIFY(shown);
    picture.save(dir + QStringLiteral("/search-progress.png"));
    QVERIFY2(ticks > 10, qPrintable(QString::number(ticks)));
    QCOMPARE(count, QStringLiteral("100,000"));
    QVERIFY(!f.findChild<app::ProgressDialog*>()->isVisible());
    QVERIFY2(f.pane().listPort().rowCount() < 100000 / 32 * 4,
             qPrintable(QString::number(f.pane().listPort().rowCount())));
    QVERIFY(f.browseButton()->isEnabled() && f.clearConditionsButton()->isEnabled());
    QVERIFY(f.startButton()->isEnabled());
    shown = false;
}

QTEST_MAIN(TestSearchWindow)
#include "test_search_window.moc"
