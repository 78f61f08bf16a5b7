// SPDX-License-Identifier: MIT
// The options dialog: its values, OK and Cancel, and the editor browse
// dialog's start folder.
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/options_dialog.h"
#include "dialogs_test_support.h"

using namespace pelmora::app;
using pelmora::test::whenModal;

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

}  // namespace

class TestDialogsOptions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void textsFit();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void okAndCancelResults();
    void enterPressesOk();
    void browseStartFolder_data();
    void browseStartFolder();
    void browsePicksAFile();
    void browseCancelledKeepsTheEdit();

private:
    QTemporaryDir m_dir;
};

void TestDialogsOptions::textsFit() {
    OptionsDialog dialog;
    QCOMPARE(dialog.size(), QSize(441, 179));
    QVERIFY(dialog.Button2()->isDefault());
    pelmora::test::verifyTextsFit(dialog);
}

void TestDialogsOptions::valuesRoundTrip_data() {
    QTest::addColumn<bool>("convert");
    QTest::addColumn<QByteArray>("editor");
    QTest::newRow("off, default editor") << false << QByteArray("NotePad.exe");
    QTest::newRow("on, path with Japanese and blank") << true << QByteArray("/opt/エディタ/my editor");
    QTest::newRow("on, empty editor") << true << QByteArray();
}

void TestDialogsOptions::valuesRoundTrip() {
    QFETCH(bool, convert);
    QFETCH(QByteArray, editor);
    OptionsDialog dialog;
    dialog.setConvDisplayName(convert);
    dialog.setEditorName(editor.toStdString());
    QCOMPARE(dialog.convDisplayName(), convert);
    QCOMPARE(QByteArray::fromStdString(dialog.editorName()), editor);
    QCOMPARE(dialog.CheckBox1()->isChecked(), convert);
}

void TestDialogsOptions::okAndCancelResults() {
    OptionsDialog dialog;
    whenModal([&](QWidget*) {
        dialog.CheckBox1()->setChecked(true);
        dialog.Edit1()->setText(QStringLiteral("/usr/bin/vi"));
        dialog.Button2()->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(dialog.convDisplayName());
    QCOMPARE(dialog.editorName(), std::string("/usr/bin/vi"));

    whenModal([&](QWidget*) { dialog.Button3()->click(); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
}

void TestDialogsOptions::enterPressesOk() {
    OptionsDialog dialog;
    whenModal([&](QWidget*) { QTest::keyClick(&dialog, Qt::Key_Return); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
}

void TestDialogsOptions::browseStartFolder_data() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    QDir(m_dir.path()).mkdir(QStringLiteral("エディタ"));
    const QString existing = QDir(m_dir.path()).filePath(QStringLiteral("エディタ"));
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty edit: program folder") << QString() << programFolder;
    QTest::newRow("bare name: program folder") << QStringLiteral("NotePad.exe") << programFolder;
    QTest::newRow("existing folder, missing file") << existing + QStringLiteral("/gone") << existing;
    QTest::newRow("missing folder: program folder")
        << m_dir.path() + QStringLiteral("/missing/editor") << programFolder;
    QTest::newRow("file in the root") << QStringLiteral("/editor") << QStringLiteral("/");
}

void TestDialogsOptions::browseStartFolder() {
    QFETCH(QString, editor);
    QFETCH(QString, expected);
    QCOMPARE(OptionsDialog::browseStartFolder(editor), expected);
}

void TestDialogsOptions::browsePicksAFile() {
    const QString editor = m_dir.filePath(QStringLiteral("neweditor"));
    touch(editor);
    QFile::setPermissions(editor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    OptionsDialog dialog;
    dialog.Edit1()->setText(m_dir.filePath(QStringLiteral("oldeditor")));
    QString title, folder;
    QStringList filters;
    whenModal([&](QWidget* modal) {
        auto* browse = qobject_cast<QFileDialog*>(modal);
        QVERIFY(browse != nullptr);
        title = browse->windowTitle();
        folder = browse->directory().absolutePath();
        filters = browse->nameFilters();
        browse->selectFile(editor);
        static_cast<QDialog*>(browse)->accept();  // QFileDialog hides it
    });
    dialog.Button1()->click();
    QCOMPARE(title, QStringLiteral("メールを開くエディタの指定"));
    QCOMPARE(folder, QDir(m_dir.path()).absolutePath());
    QCOMPARE(filters.size(), 2);
    QCOMPARE(filters.last(), QStringLiteral("全てのファイル (*)"));
    QCOMPARE(dialog.Edit1()->text(), QDir(m_dir.path()).absoluteFilePath(QStringLiteral("neweditor")));
}

void TestDialogsOptions::browseCancelledKeepsTheEdit() {
    OptionsDialog dialog;
    dialog.Edit1()->setText(QStringLiteral("gedit"));
    QString folder;
    whenModal([&](QWidget* modal) {
        auto* browse = qobject_cast<QFileDialog*>(modal);
        QVERIFY(browse != nullptr);
        folder = browse->directory().absolutePath();
        browse->reject();
    });
    dialog.Button1()->click();
    QCOMPARE(folder, QDir(QCoreApplication::applicationDirPath()).absolutePath());
    QCOMPARE(dialog.Edit1()->text(), QStringLiteral("gedit"));
}

QTEST_MAIN(TestDialogsOptions)
#include "test_dialogs_options.moc"
