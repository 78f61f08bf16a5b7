// SPDX-License-Identifier: MIT
// The options dialog: its values, OK and Cancel, the editor browse
// dialog's start folder, and the address books it shows.
#include <QAbstractProxyModel>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <vector>

#include "app/options_dialog.h"
#include "dialogs_test_support.h"

using namespace pelmora::app;
using pelmora::test::typeFileNameAndAccept;
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

    void booksShownAndScannedAgainForANewExtraPath();

private:
    QTemporaryDir m_dir;
};

void TestDialogsOptions::textsFit() {
    OptionsDialog dialog;
    QCOMPARE(dialog.size(), QSize(441, 437));
    QVERIFY(dialog.OkButton()->isDefault());
    pelmora::test::verifyTextsFit(dialog);
}

void TestDialogsOptions::valuesRoundTrip_data() {
    QTest::addColumn<bool>("convert");
    QTest::addColumn<QByteArray>("editor");
    QTest::addColumn<QByteArray>("keep");
    QTest::addColumn<QByteArray>("keepBack");
    QTest::newRow("off, default editor")
        << false << QByteArray("NotePad.exe") << QByteArray("oldest") << QByteArray("oldest");
    QTest::newRow("on, path with Japanese and blank")
        << true << QByteArray("/opt/エディタ/my editor") << QByteArray("under:/m/旧 控え/")
        << QByteArray("under:/m/旧 控え");
    QTest::newRow("on, empty editor")
        << true << QByteArray() << QByteArray("largest") << QByteArray("largest");
    QTest::newRow("unknown rule") << false << QByteArray("vi") << QByteArray("first") << QByteArray("oldest");
}

void TestDialogsOptions::valuesRoundTrip() {
    QFETCH(bool, convert);
    QFETCH(QByteArray, editor);
    QFETCH(QByteArray, keep);
    QFETCH(QByteArray, keepBack);
    OptionsDialog dialog;
    dialog.setConvDisplayName(convert);
    dialog.setEditorName(editor.toStdString());
    dialog.setDupKeep(keep.toStdString());
    dialog.setAttachKeepRecord(!convert);
    QCOMPARE(dialog.attachKeepRecord(), !convert);
    QCOMPARE(dialog.KeepRecordBox()->isChecked(), !convert);
    QCOMPARE(QByteArray::fromStdString(dialog.dupKeep()), keepBack);
    QCOMPARE(dialog.DupKeepFolder()->isEnabled(), keep.startsWith("under:"));
    QCOMPARE(dialog.convDisplayName(), convert);
    QCOMPARE(QByteArray::fromStdString(dialog.editorName()), editor);
    QCOMPARE(dialog.DisplayNamesBox()->isChecked(), convert);
}

void TestDialogsOptions::okAndCancelResults() {
    OptionsDialog dialog;
    whenModal([&](QWidget*) {
        dialog.DisplayNamesBox()->setChecked(true);
        dialog.EditorEdit()->setText(QStringLiteral("/usr/bin/vi"));
        dialog.OkButton()->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(dialog.convDisplayName());
    QCOMPARE(dialog.editorName(), std::string("/usr/bin/vi"));

    whenModal([&](QWidget*) { dialog.CancelButton()->click(); });
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
    // Programs have no extension here: the first filter lists what can be
    // run, and every folder, but not the other files.
    const QDir programs(m_dir.filePath(QStringLiteral("programs")));
    QVERIFY(programs.mkpath(QStringLiteral("sub")));
    const QString editor = programs.filePath(QStringLiteral("neweditor"));
    touch(editor);
    QFile::setPermissions(editor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    touch(programs.filePath(QStringLiteral("notes.txt")));

    OptionsDialog dialog;
    dialog.EditorEdit()->setText(programs.filePath(QStringLiteral("oldeditor")));
    QString title, folder;
    QStringList filters, listed;
    whenModal([&](QWidget* modal) {
        auto* browse = qobject_cast<QFileDialog*>(modal);
        QVERIFY(browse != nullptr);
        title = browse->windowTitle();
        folder = browse->directory().absolutePath();
        filters = browse->nameFilters();
        QAbstractProxyModel* proxy = browse->proxyModel();
        QVERIFY(proxy != nullptr);
        auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
        QVERIFY(files != nullptr);
        auto shown = [&] {
            QStringList names;
            const QModelIndex root = proxy->mapFromSource(files->index(programs.path()));
            for (int row = 0; row < proxy->rowCount(root); ++row)
                names << proxy->index(row, 0, root).data().toString();
            names.sort();
            return names;
        };
        QTRY_COMPARE(shown(), (QStringList{QStringLiteral("neweditor"), QStringLiteral("sub")}));
        listed = shown();
        typeFileNameAndAccept(browse, QStringLiteral("neweditor"));
    });
    dialog.EditorBrowseButton()->click();
    QCOMPARE(title, QStringLiteral("メールを開くエディタの指定"));
    QCOMPARE(folder, programs.absolutePath());
    QCOMPARE(filters.size(), 2);
    QCOMPARE(filters.last(), QStringLiteral("全てのファイル (*)"));
    QCOMPARE(listed.size(), 2);
    QCOMPARE(dialog.EditorEdit()->text(), programs.absoluteFilePath(QStringLiteral("neweditor")));
}

void TestDialogsOptions::browseCancelledKeepsTheEdit() {
    OptionsDialog dialog;
    dialog.EditorEdit()->setText(QStringLiteral("gedit"));
    QString folder;
    whenModal([&](QWidget* modal) {
        auto* browse = qobject_cast<QFileDialog*>(modal);
        QVERIFY(browse != nullptr);
        folder = browse->directory().absolutePath();
        browse->reject();
    });
    dialog.EditorBrowseButton()->click();
    QCOMPARE(folder, QDir(QCoreApplication::applicationDirPath()).absolutePath());
    QCOMPARE(dialog.EditorEdit()->text(), QStringLiteral("gedit"));
}

void TestDialogsOptions::booksShownAndScannedAgainForANewExtraPath() {
    using namespace pelmora;
    OptionsDialog dialog;
    std::vector<std::filesystem::path> scanned;
    dialog.setBookScan([&scanned](const std::filesystem::path& extra) {
        scanned.push_back(extra);
        DirectoryReport report;
        BookReport read;
        read.sourceCp932 = "Thunderbird (default)";
        read.bookCp932 = "abook.sqlite";
        read.path = "/h/.thunderbird/p/abook.sqlite";
        read.addresses = 1234;
        BookReport locked;
        locked.sourceCp932 = "Evolution";
        locked.bookCp932 = "system";
        locked.status = BookStatus::Locked;
        locked.detail = "database is locked";
        report.books = {read, locked};
        return report;
    });
    dialog.setAddressBookPath("/home/\xE5\xA4\xAA\xE9\x83\x8E/books");  // 太郎
    QStringList shown;
    whenModal([&](QWidget*) {
        for (int row = 0; row < dialog.BookList()->count(); ++row)
            shown << dialog.BookList()->item(row)->text();
        dialog.ExtraBookEdit()->setFocus();
        dialog.ExtraBookEdit()->selectAll();
        QTest::keyClicks(dialog.ExtraBookEdit(), QStringLiteral("/other.vcf"));
        QTest::keyClick(dialog.ExtraBookEdit(), Qt::Key_Tab);
        dialog.OkButton()->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(shown,
             (QStringList{QStringLiteral("Thunderbird (default)  abook.sqlite: 1,234 件"),
                          QStringLiteral("Evolution  system: 読み飛ばし（ほかのプログラムがロックしています: "
                                         "database is locked）")}));
    QCOMPARE(scanned,
             (std::vector<std::filesystem::path>{"/home/\xE5\xA4\xAA\xE9\x83\x8E/books", "/other.vcf"}));
    QCOMPARE(dialog.addressBookPath(), std::filesystem::path("/other.vcf"));
}

QTEST_MAIN(TestDialogsOptions)
#include "test_dialogs_options.moc"
