// SPDX-License-Identifier: MIT
// The progress dialog and its port: 中断 only sets the abort flag, and the
// path lines are shortened in the middle.
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/progress_dialog.h"
#include "app/qtext.h"
#include "dialogs_test_support.h"

using namespace pelmora::app;

class TestDialogsProgress : public QObject {
    Q_OBJECT
private slots:
    void init() { setAbortRequested(false); }
    void hasNoTitleBarButtonsAndTextsFit();
    void abortButtonOnlySetsTheFlag();
    void enterPressesAbort();
    void escapeAndCloseDoNotHide();
    void portClearsAndReportsTheFlag();
    void longPathKeepsStartAndEnd();
    void shortPathIsUnchanged();
    void portFillsTheLabels();
    void positionIsClampedToTheRange();
};

void TestDialogsProgress::hasNoTitleBarButtonsAndTextsFit() {
    ProgressDialog dialog;
    QCOMPARE(dialog.size(), QSize(400, 144));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QVERIFY(dialog.abortButton()->isDefault());
    dialog.countLine()->setText(QStringLiteral("1,234,567"));
    pelmora::test::verifyTextsFit(dialog);
}

void TestDialogsProgress::abortButtonOnlySetsTheFlag() {
    ProgressDialog dialog;
    QtProgress progress(dialog);
    progress.show();
    QTest::mouseClick(dialog.abortButton(), Qt::LeftButton);
    QVERIFY(isAbortRequested());
    QVERIFY(progress.abortRequested());
    QVERIFY(dialog.isVisible());
    progress.hide();
    QVERIFY(!dialog.isVisible());
}

void TestDialogsProgress::enterPressesAbort() {
    ProgressDialog dialog;
    QtProgress progress(dialog);
    progress.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(isAbortRequested());
    setAbortRequested(false);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    QVERIFY(isAbortRequested());
}

void TestDialogsProgress::escapeAndCloseDoNotHide() {
    ProgressDialog dialog;
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.close());
    QVERIFY(dialog.isVisible());
    QVERIFY(!isAbortRequested());
}

void TestDialogsProgress::portClearsAndReportsTheFlag() {
    ProgressDialog dialog;
    QtProgress progress(dialog);
    progress.requestAbort();
    QVERIFY(isAbortRequested());
    progress.clearAbort();
    QVERIFY(!progress.abortRequested());
}

void TestDialogsProgress::longPathKeepsStartAndEnd() {
    ProgressDialog dialog;
    QtProgress progress(dialog);
    QString path = QStringLiteral("/home/user/Mail");
    for (int i = 0; i < 30; ++i) path += QStringLiteral("/サブフォルダ%1").arg(i);
    path += QStringLiteral("/受信トレイ");
    progress.setFromPath(toCp932(path));
    const QString shown = dialog.fromPath()->text();
    QVERIFY(shown.size() < path.size());
    QVERIFY2(shown.startsWith(QStringLiteral("/home")), qPrintable(shown));
    QVERIFY2(shown.endsWith(QStringLiteral("受信トレイ")), qPrintable(shown));
    QVERIFY(shown.contains(QChar(0x2026)));
    QVERIFY(QFontMetrics(dialog.fromPath()->font()).horizontalAdvance(shown) <= kProgressPathWidth);
    QVERIFY(dialog.fromPath()->width() >= kProgressPathWidth);

    progress.setToPath(toCp932(path));
    QCOMPARE(dialog.toPath()->text(), shown);
}

void TestDialogsProgress::shortPathIsUnchanged() {
    ProgressDialog dialog;
    QtProgress progress(dialog);
    progress.setFromPath("/tmp/mail");
    QCOMPARE(dialog.fromPath()->text(), QStringLiteral("/tmp/mail"));
}

void TestDialogsProgress::portFillsTheLabels() {
    ProgressDialog dialog;
    QtProgress progress(dialog);
    progress.setTitle(toCp932(QStringLiteral("添付ファイルを削除しています…")));
    progress.setFromCaption(toCp932(QStringLiteral("From：")));
    progress.setToCaption("");
    progress.setCountText("1,234");
    QCOMPARE(dialog.titleLine()->text(), QStringLiteral("添付ファイルを削除しています…"));
    QCOMPARE(dialog.fromCaption()->text(), QStringLiteral("From："));
    QCOMPARE(dialog.toCaption()->text(), QString());
    QCOMPARE(dialog.countLine()->text(), QStringLiteral("1,234"));
    progress.setBarVisible(false);
    QVERIFY(dialog.bar()->isHidden());
    progress.setBarVisible(true);
    QVERIFY(!dialog.bar()->isHidden());
}

void TestDialogsProgress::positionIsClampedToTheRange() {
    ProgressDialog dialog;
    QtProgress progress(dialog);
    progress.setRange(0, 10);
    QCOMPARE(progress.position(), 0);
    progress.setPosition(progress.position() + 1);
    QCOMPARE(progress.position(), 1);
    progress.setPosition(25);
    QCOMPARE(progress.position(), 10);
    progress.setPosition(-3);
    QCOMPARE(progress.position(), 0);
    // An empty job must not turn the bar into a busy indicator.
    progress.setRange(0, 0);
    QVERIFY(dialog.bar()->maximum() > dialog.bar()->minimum());
    QCOMPARE(progress.position(), 0);
}

QTEST_MAIN(TestDialogsProgress)
#include "test_dialogs_progress.moc"
