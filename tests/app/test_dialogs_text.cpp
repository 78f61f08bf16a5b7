// SPDX-License-Identifier: MIT
// Display text and paths at the Qt edge.
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <string>

#include "app/qt_translations.h"
#include "app/qtext.h"

using namespace pelmora::app;

namespace {

QByteArray bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string stdBytes(const QByteArray& data) {
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

}  // namespace

class TestDialogsText : public QObject {
    Q_OBJECT
private slots:
    void decodesDisplayText_data();
    void decodesDisplayText();
    void messageTextBreaksLinesAtCr_data();
    void messageTextBreaksLinesAtCr();
    void listTextKeepsCr();
    void roundTripsThroughCp932_data();
    void roundTripsThroughCp932();
    void charactersWithoutCodeBecomeQuestionMarks();
    void pathsKeepTheirBytes();
    void qtTextsBecomeJapanese();
};

void TestDialogsText::decodesDisplayText_data() {
    QTest::addColumn<QByteArray>("cp932");
    QTest::addColumn<QString>("expected");
    // Locale Shift_JIS codecs turn these two into yen sign and overline.
    QTest::newRow("0x5C stays backslash") << QByteArray("C:\\Mail") << QStringLiteral("C:\\Mail");
    QTest::newRow("0x7E stays tilde") << QByteArray("~user") << QStringLiteral("~user");
    QTest::newRow("NEC special row: circled one") << QByteArray("\x87\x40") << QStringLiteral("①");
    QTest::newRow("NEC special row: parenthesised kabu") << QByteArray("\x87\x8A") << QStringLiteral("㈱");
    QTest::newRow("IBM extension: taka") << QByteArray("\xFB\xFC") << QStringLiteral("髙");
    QTest::newRow("trail byte 0x5C is not a backslash")
        << QByteArray("\x83\x5C\x95\x5C") << QStringLiteral("ソ表");
    QTest::newRow("half-width katakana") << QByteArray("\xB1\xDD") << QStringLiteral("ｱﾝ");
    QTest::newRow("full-width blank") << QByteArray("\x81\x40") << QStringLiteral("\u3000");
    QTest::newRow("lead byte at the end") << QByteArray("a\x82") << QStringLiteral("a\uFFFD");
    QTest::newRow("lead byte before a blank keeps the blank")
        << QByteArray("\x82 b") << QStringLiteral("\uFFFD b");
    QTest::newRow("pair without a character") << QByteArray(
                                                     "\x85\x40"
                                                     "a")
                                              << QStringLiteral("\uFFFDa");
}

void TestDialogsText::decodesDisplayText() {
    QFETCH(QByteArray, cp932);
    QFETCH(QString, expected);
    QCOMPARE(fromCp932(stdBytes(cp932)), expected);
}

void TestDialogsText::messageTextBreaksLinesAtCr_data() {
    QTest::addColumn<QByteArray>("cp932");
    QTest::addColumn<QString>("expected");
    QTest::newRow("single CR") << QByteArray("a\rb") << QStringLiteral("a\nb");
    QTest::newRow("two CRs before the advice line")
        << QByteArray("\"x.eml\" a\r\rb") << QStringLiteral("\"x.eml\" a\n\nb");
    QTest::newRow("CR LF is one break") << QByteArray("a\r\nb") << QStringLiteral("a\nb");
    QTest::newRow("CR after a double-byte character")
        << QByteArray("\x82\xA0\r\x82\xA2") << QStringLiteral("あ\nい");
}

void TestDialogsText::messageTextBreaksLinesAtCr() {
    QFETCH(QByteArray, cp932);
    QFETCH(QString, expected);
    QCOMPARE(fromCp932Message(stdBytes(cp932)), expected);
}

void TestDialogsText::listTextKeepsCr() {
    QCOMPARE(fromCp932("a\rb"), QStringLiteral("a\rb"));
}

void TestDialogsText::roundTripsThroughCp932_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("cp932");
    QTest::newRow("circled one") << QStringLiteral("①") << QByteArray("\x87\x40");
    QTest::newRow("parenthesised kabu") << QStringLiteral("㈱") << QByteArray("\x87\x8A");
    // Two codes decode to 髙; the lower one is written.
    QTest::newRow("taka") << QStringLiteral("髙") << QByteArray("\xEE\xE0");
    QTest::newRow("backslash and tilde") << QStringLiteral("\\~") << QByteArray("\\~");
    QTest::newRow("mixed") << QStringLiteral("件名①ｱ") << QByteArray("\x8C\x8F\x96\xBC\x87\x40\xB1");
}

void TestDialogsText::roundTripsThroughCp932() {
    QFETCH(QString, text);
    QFETCH(QByteArray, cp932);
    const std::string encoded = toCp932(text);
    QCOMPARE(bytes(encoded), cp932);
    QCOMPARE(fromCp932(encoded), text);
}

void TestDialogsText::charactersWithoutCodeBecomeQuestionMarks() {
    QCOMPARE(bytes(toCp932(QStringLiteral("a€b"))), QByteArray("a?b"));
    QCOMPARE(bytes(toCp932(QStringLiteral("x\U0001F600y"))), QByteArray("x?y"));
}

void TestDialogsText::pathsKeepTheirBytes() {
    const std::filesystem::path path("/tmp/受信トレイ/a b\\c.eml");
    const QString shown = fromPath(path);
    QCOMPARE(shown, QStringLiteral("/tmp/受信トレイ/a b\\c.eml"));
    QCOMPARE(toPath(shown), path);
}

void TestDialogsText::qtTextsBecomeJapanese() {
    // What the program's start-up does (tools/install-deps.sh installs the
    // translation, so it must be there).
    setUpApplication(*QCoreApplication::instance());
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "&Save"), QStringLiteral("保存(&S)"));
    // No display name: Qt would append it to every window title.
    QCoreApplication::setApplicationName(QStringLiteral("other"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("other"));
}

QTEST_MAIN(TestDialogsText)
#include "test_dialogs_text.moc"
