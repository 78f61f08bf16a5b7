// SPDX-License-Identifier: MIT
// The about box: its version line, the link's look and its click.
#include <QDesktopServices>
#include <QEnterEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about_dialog.h"
#include "dialogs_test_support.h"
#include "pelmora/version.h"

using namespace pelmora::app;

class TestDialogsAbout : public QObject {
    Q_OBJECT
private slots:
    void versionText_data();
    void versionText();
    void showsTheProgramsVersion();
    void textsFit();
    void linkUnderlinesOnHover();
    void linkClickOpensTheAddress();
    void escapeAnswersOk();
};

void TestDialogsAbout::versionText_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("expected");
    QTest::newRow("4.7") << 4 << 7 << QStringLiteral("Version 4.7");
    QTest::newRow("minor zero") << 1 << 0 << QStringLiteral("Version 1.0");
    QTest::newRow("two-digit minor") << 2 << 12 << QStringLiteral("Version 2.12");
}

void TestDialogsAbout::versionText() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, expected);
    QCOMPARE(pelmora::app::versionText(major, minor), expected);
}

void TestDialogsAbout::showsTheProgramsVersion() {
    AboutDialog dialog;
    // Release and build numbers never show: exactly one dot.
    QCOMPARE(dialog.Version()->text(),
             QStringLiteral("Version %1.%2").arg(PELMORA_VERSION_MAJOR).arg(PELMORA_VERSION_MINOR));
    QCOMPARE(dialog.Version()->text().count(QLatin1Char('.')), 1);
}

void TestDialogsAbout::textsFit() {
    AboutDialog dialog;
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    pelmora::test::verifyTextsFit(dialog);
}

void TestDialogsAbout::linkUnderlinesOnHover() {
    AboutDialog dialog;
    UrlLabel* link = dialog.URL();
    QCOMPARE(link->text(), QString::fromLatin1(kMakerUrl));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QVERIFY(!link->font().underline());
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(link, &enter);
    QVERIFY(link->font().underline());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    QVERIFY(!link->font().underline());
}

void TestDialogsAbout::linkClickOpensTheAddress() {
    pelmora::test::FakeOpener opener(0);
    AboutDialog dialog;
    dialog.show();
    QTest::mouseClick(dialog.URL(), Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(opener.arguments(), QString::fromLatin1(kMakerUrl) + QLatin1Char('\n'));
}

void TestDialogsAbout::escapeAnswersOk() {
    AboutDialog dialog;
    QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
}

QTEST_MAIN(TestDialogsAbout)
#include "test_dialogs_about.moc"
