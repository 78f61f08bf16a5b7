// SPDX-License-Identifier: MIT
// The main window's message list: the load, the sort by header clicks with
// its caption marks and the selection that follows the entries, type-ahead,
// the status texts, command states and the duplicate check.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <algorithm>
#include <random>

#include "app/icons.h"
#include "app/main_window_caption.h"
#include "app/message_list_model.h"
#include "catalogue/ordering.h"
#include "main_window_fixture.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

using namespace pelmora;
using namespace pelmora::test;

class TestMainWindowList : public MainWindowTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadShowsEveryMessage();
    void cellsComeFromTheEntries();
    void headerClicksMarkTheCaption();
    void selectionFollowsTheSort();
    void typeAheadFindsTheNextSender();
    void typeAheadUsesTheSortedTextColumn();
    void commandStatesFollowTheSelection();
    void shiftF10OpensTheContextMenu();
    void rowsKeepTheirHeightWhateverRowIsOnTop();
    void duplicateCheckSelectsAllCopiesButOne();
    void modelPassesTheTester();
    void hundredThousandRowsSortAndKeepTheirSelection();
    void examplesFolderLoads();
};

void TestMainWindowList::initTestCase() {
    QVERIFY(setUpHome());
    useFakeEditor(homeFolder("bin"));
    m_folder = homeFolder("mail");
    writeMailFolder(m_folder);
}

void TestMainWindowList::init() {
    std::filesystem::remove(SettingsFilePath());
    QVERIFY(openWindow());
}

void TestMainWindowList::cleanup() {
    closeWindow();
}

void TestMainWindowList::loadShowsEveryMessage() {
    app::MainWindow& w = *m_window;
    QCOMPARE(w.listView().rowCount(), kListedMessages);
    QCOMPARE(w.LV1()->model()->rowCount(), kListedMessages);
    QCOMPARE(w.panelText(0), QStringLiteral(u"8 通のメッセージ"));
    QCOMPARE(w.panelText(1), QString());
    QCOMPARE(w.captionStrip()->text(), qs(m_folder));
    // A load sorts ascending by the remembered key, received date by default.
    QCOMPARE(caption(w, 4), QStringLiteral(u"受信日時 ＋"));
    QCOMPARE(caption(w, 0), QStringLiteral(u"差出人"));
    QVERIFY(m_ports->prompts->shown.empty());
    QVERIFY(w.actions().ARefresh1->isEnabled());
    QCOMPARE(m_ports->progress->shows, 0);  // eight messages need no progress dialog
    QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.LV1()));
    QCOMPARE(w.windowTitle(),
             QStringLiteral(u"Pelmora - emlファイルの一覧表示、重複チェック削除、添付ファイル削除"));
}

void TestMainWindowList::cellsComeFromTheEntries() {
    app::MainWindow& w = *m_window;
    QAbstractItemModel* model = w.LV1()->model();
    const int japanese = rowOfSubject(w, QStringLiteral(u"テスト"));
    QVERIFY(japanese >= 0);
    // The sender cell starts with a blank; the icon of a mail message.
    QCOMPARE(model->data(model->index(japanese, 0)).toString(), QStringLiteral(" Yamada Taro"));
    QVERIFY(!model->data(model->index(japanese, 0), Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(model->data(model->index(japanese, 2)).toString(), QStringLiteral(u"テスト"));
    QCOMPARE(model->data(model->index(japanese, 5)).toString(), QStringLiteral("1KB"));
    QVERIFY(model->data(model->index(japanese, 5), Qt::DecorationRole).isNull());
    QCOMPARE(
        model->data(model->index(japanese, 5), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
        Qt::AlignRight);
    // The attachment mark sits in the size column.
    const int attached = rowOfSubject(w, QStringLiteral("Report with attachment"));
    QVERIFY(!model->data(model->index(attached, 5), Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral(u"差出人"));
    QStringList headers;
    for (int column = 0; column < model->columnCount(); ++column)
        headers << model->headerData(column, Qt::Horizontal).toString().section(QLatin1Char(' '), 0, 0);
    QCOMPARE(headers, (QStringList{QStringLiteral(u"差出人"), QStringLiteral(u"宛先"),
                                   QStringLiteral(u"件名"), QStringLiteral(u"送信日時"),
                                   QStringLiteral(u"受信日時"), QStringLiteral(u"サイズ")}));
    const QList<int> widths = {110, 110, 270, 120, 120, 90};
    for (int column = 0; column < widths.size(); ++column)
        QCOMPARE(w.LV1()->header()->sectionSize(column), widths[column]);
}

void TestMainWindowList::headerClicksMarkTheCaption() {
    app::MainWindow& w = *m_window;
    clickHeader(w, 0);
    QCOMPARE(caption(w, 0), QStringLiteral(u"差出人 ＋"));
    QCOMPARE(caption(w, 4), QStringLiteral(u"受信日時"));
    QCOMPARE(w.listView().sortKey(), 1);
    clickHeader(w, 0);
    QCOMPARE(caption(w, 0), QStringLiteral(u"差出人 －"));
    QCOMPARE(w.listView().sortKey(), -1);
    const MsgList& list = w.msgList();
    for (std::size_t i = 1; i < list.size(); ++i) QVERIFY(CompareText(list[i - 1]->From, list[i]->From) >= 0);
    // The cells follow the new order at once.
    QCOMPARE(w.LV1()->model()->data(w.LV1()->model()->index(0, 0)).toString(), QStringLiteral(" Yoshida"));
    clickHeader(w, 0);
    QCOMPARE(caption(w, 0), QStringLiteral(u"差出人 ＋"));
    clickHeader(w, 2);
    QCOMPARE(caption(w, 2), QStringLiteral(u"件名 ＋"));
    QCOMPARE(caption(w, 0), QStringLiteral(u"差出人"));
    QCOMPARE(w.listView().sortKey(), 2);
}

void TestMainWindowList::selectionFollowsTheSort() {
    app::MainWindow& w = *m_window;
    selectRows(w, {rowOfSubject(w, QStringLiteral("Bravo")), rowOfSubject(w, QStringLiteral("Charlie"))});
    QCOMPARE(w.panelText(1), QStringLiteral(u"2 通を選択"));
    for (int column : {2, 2, 0, 5}) {
        clickHeader(w, column);
        QCOMPARE(selectedSubjects(w), (QStringList{QStringLiteral("Bravo"), QStringLiteral("Charlie")}));
        QCOMPARE(w.panelText(1), QStringLiteral(u"2 通を選択"));
        const int first = w.listView().selectedRows().front();
        const QRect shown = w.LV1()->visualRect(w.LV1()->model()->index(first, 0));
        QVERIFY(w.LV1()->viewport()->rect().contains(shown));
    }
}

void TestMainWindowList::typeAheadFindsTheNextSender() {
    app::MainWindow& w = *m_window;
    w.LV1()->setFocus();
    // Sorted by a date, type-ahead looks at the sender, without regard to
    // the case of ASCII letters.
    QTest::keyClicks(w.LV1(), QStringLiteral("yo"));
    QCOMPARE(app::fromCp932(w.msgList()[w.LV1()->currentIndex().row()]->From), QStringLiteral("Yoshida"));
    QCOMPARE(w.listView().selectedCount(), 1);
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(w.LV1(), QStringLiteral("YA"));
    QCOMPARE(app::fromCp932(w.msgList()[w.LV1()->currentIndex().row()]->From), QStringLiteral("Yamada Taro"));
    QCOMPARE(w.panelText(1), QStringLiteral(u"1 通を選択"));
    // Nothing begins with this: the row stays.
    const int before = w.LV1()->currentIndex().row();
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(w.LV1(), QStringLiteral("zz"));
    QCOMPARE(w.LV1()->currentIndex().row(), before);
}

void TestMainWindowList::typeAheadUsesTheSortedTextColumn() {
    app::MainWindow& w = *m_window;
    clickHeader(w, 2);  // subject
    w.LV1()->setFocus();
    QTest::keyClicks(w.LV1(), QStringLiteral("ch"));
    QCOMPARE(app::fromCp932(w.msgList()[w.LV1()->currentIndex().row()]->Subject), QStringLiteral("Charlie"));
}

void TestMainWindowList::commandStatesFollowTheSelection() {
    app::MainWindow& w = *m_window;
    const auto& a = w.pane().actions();
    auto states = [&a] {
        return QList<bool>{a.AMessageOpen1->isEnabled(),   a.AMessageEdit1->isEnabled(),
                           a.AMessageDelete1->isEnabled(), a.AAttachDelete1->isEnabled(),
                           a.ASelAll1->isEnabled(),        a.ADupCheck1->isEnabled(),
                           a.AListMessage1->isEnabled()};
    };
    QCOMPARE(states(), (QList<bool>{false, false, false, false, true, true, true}));
    selectRows(w, {rowOfSubject(w, QStringLiteral("Bravo"))});
    QCOMPARE(states(), (QList<bool>{true, true, true, false, true, true, true}));
    // Only the last of the selected rows has an attachment.
    const int bravo = rowOfSubject(w, QStringLiteral("Bravo"));
    const int attached = rowOfSubject(w, QStringLiteral("Report with attachment"));
    selectRows(w, {std::min(bravo, attached), std::max(bravo, attached)});
    QCOMPARE(states(), (QList<bool>{false, false, true, true, true, true, true}));
    // The context menu entries are the same commands.
    QCOMPARE(w.PopupMenu1()->actions(), (QList<QAction*>{a.AMessageOpen1, a.AMessageEdit1, a.AMessageDelete1,
                                                         a.AAttachDelete1, a.AAttachSave1}));
    QCOMPARE(a.AAttachSave1->isEnabled(), a.AAttachDelete1->isEnabled());
    a.ASelAll1->trigger();
    QCOMPARE(w.listView().selectedCount(), kListedMessages);
    QCOMPARE(w.panelText(1), QStringLiteral(u"8 通を選択"));
}

void TestMainWindowList::shiftF10OpensTheContextMenu() {
    app::MainWindow& w = *m_window;
    selectRows(w, {rowOfSubject(w, QStringLiteral("Bravo"))});
    w.LV1()->setFocus();
    QVERIFY(!w.PopupMenu1()->isVisible());
    QTest::keyClick(w.LV1(), Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(w.PopupMenu1()->isVisible());
    w.PopupMenu1()->hide();
}

void TestMainWindowList::rowsKeepTheirHeightWhateverRowIsOnTop() {
    app::MainWindow& w = *m_window;
    // A Latin font, large enough that the fallback font Japanese text takes
    // has a taller line than it.
    QFont latin(QStringLiteral("DejaVu Sans"));
    latin.setPixelSize(24);
    w.LV1()->setFont(latin);
    auto rowHeight = [&] { return w.LV1()->visualRect(w.LV1()->model()->index(0, 2)).height(); };
    clickHeader(w, 2);  // subject ascending: a Latin subject on top
    QVERIFY(!app::fromCp932(w.msgList()[0]->Subject).contains(QStringLiteral(u"テスト")));
    const int latinOnTop = rowHeight();
    clickHeader(w, 2);  // descending: the Japanese subject on top
    QCOMPARE(app::fromCp932(w.msgList()[0]->Subject), QStringLiteral(u"テスト"));
    QCOMPARE(rowHeight(), latinOnTop);
}

void TestMainWindowList::duplicateCheckSelectsAllCopiesButOne() {
    app::MainWindow& w = *m_window;
    clickHeader(w, 2);
    clickHeader(w, 2);  // descending by subject; the check re-sorts ascending
    w.pane().actions().ADupCheck1->trigger();
    QCOMPARE(w.listView().rowCount(), 3);
    QCOMPARE(w.listView().selectedCount(), 2);
    for (const auto& entry : w.msgList()) QCOMPARE(app::fromCp932(entry->Subject), QStringLiteral("Copy"));
    QCOMPARE(w.captionStrip()->text(), qs(m_folder) + QStringLiteral(u" の重複メッセージ"));
    QCOMPARE(w.panelText(1), QStringLiteral(u"1 組、3 通の重複（2 通を選択）"));
    // The fixed text of the check stays as the panel's hint.
    const auto labels = w.findChildren<QLabel*>();
    const auto panel = std::find_if(labels.begin(), labels.end(),
                                    [&](const QLabel* label) { return label->text() == w.panelText(1); });
    QVERIFY(panel != labels.end());
    QCOMPARE((*panel)->toolTip(), QStringLiteral(u"3 通のメッセージが重複しています。"));
    QCOMPARE(caption(w, 2), QStringLiteral(u"件名 ＋"));
    // The unselected row wears the kept mark and says so; each selected
    // copy names the row it duplicates.
    const QAbstractItemModel& model = *w.LV1()->model();
    int keptRow = -1;
    for (int row = 0; row < 3; ++row) {
        const QModelIndex sender = model.index(row, 0);
        const QString hint = model.data(sender, Qt::ToolTipRole).toString();
        if (w.listView().isSelected(row)) {
            QVERIFY(model.data(sender, Qt::DecorationRole).value<QIcon>().cacheKey() !=
                    app::rowIcon(app::kKeptMarkIcon).cacheKey());
            QVERIFY2(hint.contains(QStringLiteral(u"行目（残す）の重複")), qPrintable(hint));
            continue;
        }
        QCOMPARE(keptRow, -1);
        keptRow = row;
        QCOMPARE(model.data(sender, Qt::DecorationRole).value<QIcon>().cacheKey(),
                 app::rowIcon(app::kKeptMarkIcon).cacheKey());
        QCOMPARE(hint, QStringLiteral(u"残す（重複 3 通のうちの 1 通）"));
    }
    for (int row = 0; row < 3; ++row)
        if (row != keptRow)
            QVERIFY(model.data(model.index(row, 2), Qt::ToolTipRole)
                        .toString()
                        .startsWith(QString::number(keptRow + 1) + QStringLiteral(u" 行目（残す）の重複\n")));
    QVERIFY(w.pane().actions().AMessageDelete1->isEnabled());
    // Again on the reduced list: the same groups.
    w.pane().actions().ADupCheck1->trigger();
    QCOMPARE(w.listView().rowCount(), 3);
    QCOMPARE(w.listView().selectedCount(), 2);
    // A reload brings the whole folder back.
    w.actions().ARefresh1->trigger();
    QCOMPARE(w.listView().rowCount(), kListedMessages);
    QCOMPARE(w.captionStrip()->text(), qs(m_folder));
}

void TestMainWindowList::modelPassesTheTester() {
    app::MainWindow& w = *m_window;
    QAbstractItemModelTester tester(w.LV1()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    clickHeader(w, 1);
    selectRows(w, {0, 1});
    w.pane().actions().ADupCheck1->trigger();
    w.actions().ARefresh1->trigger();
    QCOMPARE(w.LV1()->model()->rowCount(), kListedMessages);
}

void TestMainWindowList::hundredThousandRowsSortAndKeepTheirSelection() {
    // Selecting, sorting and re-selecting this many rows one by one in the
    // widget would take minutes; through the port it is one selection change.
    constexpr int kRows = 100'000;
    MsgList list;
    app::MessageListView view;
    app::MessageListModel model(list, {KeySender, KeyRecipients, KeySubject, KeySent, KeyReceived, KeySize});
    app::QtListView port(view, model, KeyReceived);
    int changes = 0;
    port.setSelectionChangedHandler([&changes] { ++changes; });
    std::mt19937 random(7);
    for (int i = 0; i < kRows; ++i) {
        auto entry = std::make_unique<TMsgItem>();
        entry->From = "sender" + std::to_string(random() % kRows);
        entry->FileSize = static_cast<std::int64_t>(random() % 5000);
        list.push_back(std::move(entry));
    }
    port.setRowCount(kRows);
    view.resize(600, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    port.beginUpdate();
    for (int row = 0; row < kRows; row += 2) port.setSelected(row, true);
    port.endUpdate();
    QCOMPARE(changes, 1);
    QCOMPARE(port.selectedCount(), kRows / 2);
    const std::int64_t selectedSizeSum = [&] {
        std::int64_t sum = 0;
        for (int row : port.selectedRows()) sum += list[static_cast<std::size_t>(row)]->FileSize;
        return sum;
    }();
    ProcLV1ColumnClick(port, 0, list);
    ProcLV1ColumnClick(port, 5, list);
    QCOMPARE(port.selectedCount(), kRows / 2);
    std::int64_t after = 0;
    for (int row : port.selectedRows()) after += list[static_cast<std::size_t>(row)]->FileSize;
    QCOMPARE(after, selectedSizeSum);
    for (std::size_t i = 1; i < list.size(); ++i) QVERIFY(list[i - 1]->FileSize <= list[i]->FileSize);
    port.selectAll();
    QCOMPARE(port.selectedCount(), kRows);
}

void TestMainWindowList::examplesFolderLoads() {
    const std::filesystem::path examples = std::filesystem::path(PELMORA_SOURCE_DIR) / "examples" / "mail";
    if (!std::filesystem::is_directory(examples)) QSKIP("examples/mail is not there");
    int files = 0;
    for (const auto& item : std::filesystem::directory_iterator(examples)) {
        std::string ext = item.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (item.is_regular_file() && (ext == ".eml" || ext == ".nws")) ++files;
    }
    TestPortFactory ports;
    app::MainWindow window(ports, SettingsFilePath(), QStringList{qs(examples)});
    QVERIFY(showAndActivate(window));
    QCOMPARE(window.listView().rowCount(), files);
    QCOMPARE(window.panelText(0), QString::number(files) + QStringLiteral(u" 通のメッセージ"));
    QVERIFY(ports.prompts->shown.empty());
}

QTEST_MAIN(TestMainWindowList)
#include "test_main_window_list.moc"
