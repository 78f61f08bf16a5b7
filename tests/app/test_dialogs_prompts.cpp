// SPDX-License-Identifier: MIT
// The message boxes and the save dialog behind the prompts port, answered
// from a timer the way a user would answer them.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "app/qt_ports.h"
#include "app/qt_shell.h"
#include "app/qtext.h"
#include "dialogs_test_support.h"
#include "operations/export_csv.h"
#include "operations/recycle.h"

using namespace pelmora;
using namespace pelmora::app;
using pelmora::test::FakeOpener;
using pelmora::test::typeFileNameAndAccept;
using pelmora::test::whenModal;

Q_DECLARE_METATYPE(pelmora::ports::Answer)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

// What a box showed, and the button a user pressed.
struct BoxSeen {
    QString text;
    QStringList buttons;
    QString defaultButton;
};

void pressInNextBox(const QString& buttonText, BoxSeen* seen = nullptr) {
    whenModal([buttonText, seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box != nullptr);
        if (seen != nullptr) {
            seen->text = box->text();
            for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
            if (box->defaultButton() != nullptr) seen->defaultButton = box->defaultButton()->text();
        }
        if (buttonText.isEmpty()) {
            box->close();
            return;
        }
        for (QAbstractButton* b : box->buttons())
            if (b->text() == buttonText) return b->click();
        QFAIL(qPrintable(QStringLiteral("no button ") + buttonText));
    });
}

}  // namespace

class TestDialogsPrompts : public QObject {
    Q_OBJECT
private slots:
    void yesToAllAnswers_data();
    void yesToAllAnswers();
    void yesNoAnswers_data();
    void yesNoAnswers();
    void okCancelClosedIsCancel();
    void messageLinesBreakAtCr();
    void saveDialogHonoursTheRequest();
    void saveDialogAsksBeforeOverwriting();
    void saveDialogCancelled();
    void saveDialogRefusesAMissingFolder();
    void allFilesFilterHasNoDot();
    void trashQuestionNamesTheCount();
    void trashRefusedMovesNothing();
    void startProgramPassesTheFileAsOneArgument();
    void openerExitStatusDecides_data();
    void openerExitStatusDecides();
    void failedOpenerShowsTheBox();
    void statusBarPanels();
};

void TestDialogsPrompts::yesToAllAnswers_data() {
    QTest::addColumn<QString>("press");
    QTest::addColumn<ports::Answer>("expected");
    QTest::newRow("はい") << QStringLiteral("はい(&Y)") << ports::Answer::Yes;
    QTest::newRow("すべてはい") << QStringLiteral("すべてはい(&A)") << ports::Answer::YesToAll;
    QTest::newRow("キャンセル") << QStringLiteral("キャンセル") << ports::Answer::Cancel;
    QTest::newRow("closing the box is Cancel") << QString() << ports::Answer::Cancel;
}

void TestDialogsPrompts::yesToAllAnswers() {
    QFETCH(QString, press);
    QFETCH(ports::Answer, expected);
    QtPrompts prompts(nullptr);
    BoxSeen seen;
    pressInNextBox(press, &seen);
    QCOMPARE(prompts.confirmYesCancelYesToAll(toCp932(QStringLiteral("スキップしますか？"))), expected);
    QCOMPARE(seen.text, QStringLiteral("スキップしますか？"));
    QCOMPARE(seen.buttons.size(), 3);
    QVERIFY(seen.buttons.contains(QStringLiteral("すべてはい(&A)")));
    QCOMPARE(seen.defaultButton, QStringLiteral("はい(&Y)"));
}

void TestDialogsPrompts::yesNoAnswers_data() {
    QTest::addColumn<QString>("press");
    QTest::addColumn<bool>("expected");
    QTest::newRow("はい") << QStringLiteral("はい(&Y)") << true;
    QTest::newRow("いいえ") << QStringLiteral("いいえ(&N)") << false;
    QTest::newRow("closing the box is No") << QString() << false;
}

void TestDialogsPrompts::yesNoAnswers() {
    QFETCH(QString, press);
    QFETCH(bool, expected);
    QtPrompts prompts(nullptr);
    pressInNextBox(press);
    QCOMPARE(prompts.confirmYesNo("?"), expected);
}

void TestDialogsPrompts::okCancelClosedIsCancel() {
    QtPrompts prompts(nullptr);
    pressInNextBox(QStringLiteral("OK"));
    QVERIFY(prompts.confirmOkCancel("?"));
    pressInNextBox(QString());
    QVERIFY(!prompts.confirmOkCancel("?"));
}

void TestDialogsPrompts::messageLinesBreakAtCr() {
    QtPrompts prompts(nullptr);
    BoxSeen seen;
    pressInNextBox(QStringLiteral("OK"), &seen);
    prompts.warning(toCp932(QStringLiteral("\"a.eml\" を開けませんでした。")) + "\r\r" +
                    toCp932(QStringLiteral("使用中でないか確認して下さい。")));
    QCOMPARE(seen.text, QStringLiteral("\"a.eml\" を開けませんでした。\n\n使用中でないか確認して下さい。"));
}

namespace {

ports::SaveFileRequest csvRequest(const QString& folder) {
    ports::SaveFileRequest request;
    request.titleCp932 = toCp932(QStringLiteral("出力ファイルの指定"));
    request.initialFolder = toPath(folder);
    request.fileName = "C__Mail_Inbox.csv";
    request.filters = {{toCp932(QStringLiteral("CSVファイル")), "*.csv"},
                       {toCp932(QStringLiteral("全てのファイル")), "*.*"}};
    request.defaultSuffix = "csv";
    return request;
}

}  // namespace

void TestDialogsPrompts::saveDialogHonoursTheRequest() {
    QTemporaryDir dir;
    QtPrompts prompts(nullptr);
    QString title, folder;
    QStringList filters;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog != nullptr);
        title = dialog->windowTitle();
        folder = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        // The user types a name without extension; the default suffix is added.
        typeFileNameAndAccept(dialog, QStringLiteral("list"));
    });
    const auto chosen = prompts.chooseSaveFile(csvRequest(dir.path()));
    QCOMPARE(title, QStringLiteral("出力ファイルの指定"));
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(filters,
             (QStringList{QStringLiteral("CSVファイル (*.csv)"), QStringLiteral("全てのファイル (*)")}));
    QVERIFY(chosen.has_value());
    QCOMPARE(fromPath(*chosen), dir.filePath(QStringLiteral("list.csv")));
}

void TestDialogsPrompts::saveDialogAsksBeforeOverwriting() {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("C__Mail_Inbox.csv"));
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QtPrompts prompts(nullptr);
    int dialogsShown = 0;
    BoxSeen seen;
    // First answer No: the save dialog comes back; then Yes.
    std::function<void(QWidget*)> accept = [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog != nullptr);
        ++dialogsShown;
        pressInNextBox(dialogsShown == 1 ? QStringLiteral("いいえ(&N)") : QStringLiteral("はい(&Y)"), &seen);
        if (dialogsShown == 1) whenModal(accept);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
    };
    whenModal(accept);
    const auto chosen = prompts.chooseSaveFile(csvRequest(dir.path()));
    QCOMPARE(dialogsShown, 2);
    QVERIFY(seen.text.contains(QStringLiteral("C__Mail_Inbox.csv")));
    QCOMPARE(seen.defaultButton, QStringLiteral("いいえ(&N)"));
    QVERIFY(chosen.has_value());
    QCOMPARE(fromPath(*chosen), existing);
}

void TestDialogsPrompts::saveDialogCancelled() {
    QTemporaryDir dir;
    QtPrompts prompts(nullptr);
    whenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QVERIFY(!prompts.chooseSaveFile(csvRequest(dir.path())).has_value());
}

void TestDialogsPrompts::saveDialogRefusesAMissingFolder() {
    QTemporaryDir dir;
    QtPrompts prompts(nullptr);
    BoxSeen seen;
    int dialogsShown = 0;
    std::function<void(QWidget*)> answer = [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog != nullptr);
        if (++dialogsShown == 2) return dialog->reject();
        pressInNextBox(QStringLiteral("OK"), &seen);
        whenModal(answer);
        typeFileNameAndAccept(dialog, QStringLiteral("missing/list.csv"));
    };
    whenModal(answer);
    QVERIFY(!prompts.chooseSaveFile(csvRequest(dir.path())).has_value());
    QCOMPARE(dialogsShown, 2);
    QCOMPARE(seen.text, QLatin1Char('"') + dir.filePath(QStringLiteral("missing")) +
                            QStringLiteral("\" フォルダはありません。"));
}

void TestDialogsPrompts::allFilesFilterHasNoDot() {
    QCOMPARE(nameFilter({toCp932(QStringLiteral("全てのファイル")), "*.*"}),
             QStringLiteral("全てのファイル (*)"));
    QCOMPARE(nameFilter({"CSV", "*.csv"}), QStringLiteral("CSV (*.csv)"));
}

void TestDialogsPrompts::trashQuestionNamesTheCount() {
    QCOMPARE(fromCp932(TrashQuestion(3)), QStringLiteral("3 個の項目をごみ箱に移動しますか？"));
}

void TestDialogsPrompts::trashRefusedMovesNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.eml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QtShell shell(nullptr);
    BoxSeen seen;
    pressInNextBox(QStringLiteral("いいえ(&N)"), &seen);
    const ports::TrashResult result = shell.moveToTrash({toPath(path)}, ports::TrashConfirmation::Ask, {});
    QCOMPARE(seen.text, QStringLiteral("1 個の項目をごみ箱に移動しますか？"));
    QVERIFY(result.refused);
    QCOMPARE(result.moved, std::vector<bool>{false});
    QVERIFY(!result.allMoved());
    QVERIFY(QFile::exists(path));
}

void TestDialogsPrompts::startProgramPassesTheFileAsOneArgument() {
    QTemporaryDir dir;
    // A shell would split this name at the semicolon and the blank.
    const QString file = dir.filePath(QStringLiteral("a; touch b.eml"));
    QtShell shell(nullptr);
    QVERIFY(shell.startProgram("touch", toPath(file)));
    QTRY_VERIFY(QFile::exists(file));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("b.eml"))));
    QVERIFY(!shell.startProgram("pelmora-no-such-editor", toPath(file)));
    QVERIFY(!shell.startProgram("", toPath(file)));
}

void TestDialogsPrompts::openerExitStatusDecides_data() {
    QTest::addColumn<std::optional<int>>("status");
    QTest::addColumn<bool>("opened");
    QTest::newRow("a program took the file") << std::optional<int>(0) << true;
    QTest::newRow("no program for the file type") << std::optional<int>(3) << false;
    QTest::newRow("no opener installed") << std::optional<int>() << false;
}

void TestDialogsPrompts::openerExitStatusDecides() {
    QFETCH(std::optional<int>, status);
    QFETCH(bool, opened);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a b; c.eml"));
    FakeOpener opener(status);
    QtShell shell(nullptr);
    QCOMPARE(shell.openWithAssociation(toPath(file)), opened);
    if (status) QCOMPARE(opener.arguments(), file + QLatin1Char('\n'));
}

void TestDialogsPrompts::failedOpenerShowsTheBox() {
    QTemporaryDir dir;
    FakeOpener opener(4);
    QtShell shell(nullptr);
    QtPrompts prompts(nullptr);
    BoxSeen seen;
    pressInNextBox(QStringLiteral("OK"), &seen);
    OpenWithAssociation(toPath(dir.filePath(QStringLiteral("list.csv"))), shell, prompts);
    QCOMPARE(seen.text, QStringLiteral("関連付けられたプログラムを起動できません。"));
}

void TestDialogsPrompts::statusBarPanels() {
    QLabel first, second;
    QtStatusBar bar({&first, &second});
    bar.setPanelText(0, toCp932(QStringLiteral("1,234 通のメッセージ")));
    bar.setPanelText(1, toCp932(QStringLiteral("2 通を選択")));
    bar.setPanelText(2, "ignored");
    bar.setPanelText(-1, "ignored");
    QCOMPARE(first.text(), QStringLiteral("1,234 通のメッセージ"));
    QCOMPARE(second.text(), QStringLiteral("2 通を選択"));
}

QTEST_MAIN(TestDialogsPrompts)
#include "test_dialogs_prompts.moc"
