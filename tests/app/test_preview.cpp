// SPDX-License-Identifier: MIT
// The preview below the list: what it shows of the selected message, that
// it reads large messages without holding the window and lets a newer
// selection win, that an HTML body fetches nothing but its own parts, that
// F8 hides it for good, and the attachments it opens and saves.
#include <sys/stat.h>

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QListWidget>
#include <QSplitter>
#include <QTcpServer>
#include <QTextDocument>
#include <QToolButton>

#include "app/list_pane.h"
#include "app/message_preview.h"
#include "main_window_fixture.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

using namespace pelmora;
using namespace pelmora::test;

namespace {

// A PNG of one red pixel, in base64, for a cid: image.
QByteArray tinyPng() {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toBase64();
}

}  // namespace

class TestPreview : public MainWindowTestBase {
    // Closes the window as the user does, which writes the settings.
    void closeAndSave() {
        m_window->close();
        closeWindow();
    }

    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void selectedMessageIsShown();
    void largeMessageReadsAsideAndNewerSelectionWins();
    void htmlFetchesOnlyItsOwnParts();
    void f8HidesThePaneForGoodAndItsHeightIsKept();
    void attachmentsOpenPrivatelyAndExecutablesAsk();
    void saveAllAttachmentsOfTwoMessages();
    void screenshots();

private:
    app::MessagePreview& preview() { return *m_window->pane().preview(); }
    void select(const QString& subject) {
        const int row = rowOfSubject(*m_window, subject);
        QVERIFY(row >= 0);
        selectRows(*m_window, {row});
    }

    quint16 m_port = 0;
    QTcpServer m_server;
};

void TestPreview::initTestCase() {
    QVERIFY(setUpHome());
    // Attachments opened from the pane go below the runtime folder.
    const std::filesystem::path runtime = homeFolder("runtime");
    std::filesystem::create_directories(runtime);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(qs(runtime)));
    useFakeEditor(homeFolder("bin"));
    m_folder = homeFolder("mail");
    writeMailFolder(m_folder);
    // A port on which nothing may ever knock: the remote image points here.
    QVERIFY(m_server.listen(QHostAddress::LocalHost));
    m_port = m_server.serverPort();
    WriteBytes(
        m_folder / "html.eml",
        "From: shop@example.com\nTo: me@example.jp\nSubject: HTML news\nMIME-Version: 1.0\n"
        "Content-Type: multipart/related; boundary=R\n\n--R\nContent-Type: text/html; charset=utf-8\n\n"
        "<html><body><p>Sale <b>today</b></p><img src=\"http://127.0.0.1:" +
            std::to_string(m_port) +
            "/track.png\"><img src=\"cid:logo@shop\"><a href=\"https://example.com/sale\">link</a> "
            "<a href=\"file:///etc/passwd\">file</a></body></html>\n"
            "--R\nContent-Type: image/png\nContent-ID: <logo@shop>\nContent-Transfer-Encoding: base64\n\n" +
            tinyPng().toStdString() + "\n--R--\n");
    WriteBytes(m_folder / "jp.eml",
               "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>\nTo: b@example.jp\n"
               "Cc: c@example.jp\nSubject: =?ISO-2022-JP?B?GyRCJCIkJCQmGyhC?=\nMIME-Version: 1.0\n"
               "Content-Type: text/plain; charset=ISO-2022-JP\n\n\x1b$B$3$s$K$A$O\x1b(B\n");
    WriteBytes(m_folder / "two.eml",
               "From: two@example.com\nTo: x@example.com\nSubject: Two files\nMIME-Version: 1.0\n"
               "Content-Type: multipart/mixed; boundary=T\n\n--T\nContent-Type: text/plain\n\ntext\n"
               "--T\nContent-Type: text/plain; name=\"a.txt\"\nContent-Disposition: attachment\n\nalpha\n"
               "--T\nContent-Type: application/x-sh; name=\"run.sh\"\nContent-Disposition: attachment\n\n"
               "echo hi\n--T--\n");
    std::string big = "From: big@example.com\nTo: x@example.com\nSubject: Big one\n\nstart of the big one\n";
    while (big.size() < app::kPreviewAtOnceBytes + 4096) big += std::string(76, 'x') + "\n";
    WriteBytes(m_folder / "big.eml", big);
}

void TestPreview::init() {
    std::filesystem::remove(SettingsFilePath());
    QVERIFY(openWindow());
}

void TestPreview::cleanup() {
    closeWindow();
}

void TestPreview::selectedMessageIsShown() {
    app::MainWindow& w = *m_window;
    QVERIFY(w.pane().actions().APreview1->isChecked());
    QVERIFY(preview().isVisible());
    QVERIFY(preview().text().isEmpty());
    select(QStringLiteral(u"あいう"));
    QVERIFY(!preview().loading());
    const QString jp = preview().text();
    QVERIFY2(jp.contains(QStringLiteral(u"差出人: 山田 <yamada@example.jp>")), qPrintable(jp));
    QVERIFY(jp.contains(QStringLiteral(u"宛先: b@example.jp")));
    QVERIFY(jp.contains(QStringLiteral(u"Cc: c@example.jp")));
    QVERIFY(jp.contains(QStringLiteral(u"件名: あいう")));
    QVERIFY(jp.contains(QStringLiteral(u"こんにちは")));
    QVERIFY(!preview().attachmentList()->isVisibleTo(&preview()));

    select(QStringLiteral("Report with attachment"));
    const QString report = preview().text();
    QVERIFY(report.contains(QStringLiteral("Body text.")));
    QVERIFY(!report.contains(QStringLiteral("Cc:")));
    QCOMPARE(preview().attachmentList()->count(), 1);
    QVERIFY(preview().attachmentList()->item(0)->text().startsWith(QStringLiteral("data.bin")));
    // The raw file on request, and the body again after.
    preview().sourceButton()->click();
    QVERIFY(preview().browser()->toPlainText().contains(QStringLiteral("Content-Transfer-Encoding: base64")));
    preview().sourceButton()->click();
    QVERIFY(!preview().browser()->toPlainText().contains(QStringLiteral("Content-Transfer-Encoding")));

    selectRows(w, {0, 1, 2});
    QVERIFY(preview().text().contains(QStringLiteral(u"3 件のメッセージが選択されています。")));
    selectRows(w, {});
    QVERIFY(preview().text().isEmpty());
}

void TestPreview::largeMessageReadsAsideAndNewerSelectionWins() {
    select(QStringLiteral("Big one"));
    QVERIFY(preview().loading());
    // Chosen before the large one was read: the small one stays.
    select(QStringLiteral("Bravo"));
    QVERIFY(!preview().loading());
    QTest::qWait(300);
    QVERIFY(preview().text().contains(QStringLiteral(u"件名: Bravo")));
    QVERIFY(!preview().text().contains(QStringLiteral("start of the big one")));
    select(QStringLiteral("Big one"));
    QTRY_VERIFY_WITH_TIMEOUT(!preview().loading(), 10000);
    QVERIFY(preview().text().contains(QStringLiteral("start of the big one")));
    QVERIFY(preview().text().contains(QStringLiteral(u"件名: Big one")));
}

void TestPreview::htmlFetchesOnlyItsOwnParts() {
    select(QStringLiteral("HTML news"));
    app::PreviewBrowser& browser = *preview().browser();
    QVERIFY(browser.toPlainText().contains(QStringLiteral("Sale today")));
    const QVariant logo =
        browser.document()->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("cid:logo@shop")));
    QVERIFY(logo.canConvert<QImage>());
    QCOMPARE(logo.value<QImage>().size(), QSize(4, 4));
    QVERIFY(browser.refusedResources() >= 1);
    QVERIFY(preview().text().contains(QStringLiteral(u"外部の画像などは読み込んでいません。")));
    QTest::qWait(200);
    QVERIFY(!m_server.hasPendingConnections());
    QVERIFY(!m_server.waitForNewConnection(100));
    // Links go to the desktop only when clicked, and only web and mail ones.
    QVERIFY(m_ports->shell->openedUrls.empty());
    emit browser.anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
    emit browser.anchorClicked(QUrl(QStringLiteral("https://example.com/sale")));
    QCOMPARE(m_ports->shell->openedUrls, std::vector<std::string>{"https://example.com/sale"});
}

void TestPreview::f8HidesThePaneForGoodAndItsHeightIsKept() {
    QSplitter& area = *m_window->pane().listArea();
    const int total = area.sizes().value(0) + area.sizes().value(1);
    area.setSizes({total - 240, 240});
    closeAndSave();
    QVERIFY2(ReadBytes(SettingsFilePath()).find("\r\nPreviewHeight=240\r\n") != std::string::npos,
             ReadBytes(SettingsFilePath()).c_str());
    QVERIFY(openWindow());
    QCOMPARE(m_window->pane().listArea()->sizes().value(1), 240);

    QTest::keyClick(m_window->LV1(), Qt::Key_F8);
    QVERIFY(!m_window->pane().actions().APreview1->isChecked());
    QVERIFY(preview().isHidden());
    // Hidden, the pane reads nothing.
    select(QStringLiteral("Bravo"));
    QVERIFY(preview().message() == nullptr);
    closeAndSave();
    QVERIFY(ReadBytes(SettingsFilePath()).find("\r\nPreview=0\r\n") != std::string::npos);
    QVERIFY(openWindow());
    QVERIFY(!m_window->pane().actions().APreview1->isChecked());
    QVERIFY(preview().isHidden());
    select(QStringLiteral("Bravo"));
    QTest::keyClick(m_window->LV1(), Qt::Key_F8);
    QVERIFY(preview().isVisible());
    QCOMPARE(m_window->pane().listArea()->sizes().value(1), 240);
    QVERIFY(preview().text().contains(QStringLiteral(u"件名: Bravo")));

    // The search window keeps its own.
    app::SearchWindow& find = *m_window->formFind();
    QVERIFY(find.pane().actions().APreview1->isChecked());
    find.pane().actions().APreview1->trigger();
    closeAndSave();
    const std::string written = ReadBytes(SettingsFilePath());
    QVERIFY(written.find("\r\nFFPreview=0\r\n") != std::string::npos);
    QVERIFY(written.find("\r\nPreview=1\r\n") != std::string::npos);
}

void TestPreview::attachmentsOpenPrivatelyAndExecutablesAsk() {
    select(QStringLiteral("Two files"));
    QCOMPARE(preview().attachmentList()->count(), 2);
    FakeShell& shell = *m_ports->shell;
    preview().openAttachment(0);
    QCOMPARE(shell.opened.size(), 1u);
    const std::filesystem::path opened = shell.opened[0];
    QCOMPARE(ReadBytes(opened), std::string("alpha"));
    QCOMPARE(opened.parent_path(), app::PrivateOpenFolder());
    QCOMPARE(opened.parent_path().parent_path(), homeFolder("runtime"));
    struct stat folder {};
    QCOMPARE(::stat(opened.parent_path().c_str(), &folder), 0);
    QCOMPARE(folder.st_mode & 0777, 0700u);
    // A shell script is asked about; No opens nothing.
    m_ports->prompts->answers = {ports::Answer::No};
    preview().openAttachment(1);
    QCOMPARE(m_ports->prompts->shown.size(), 1u);
    QCOMPARE(shell.opened.size(), 1u);
    preview().openAttachment(1);
    QCOMPARE(shell.opened.size(), 2u);
    QCOMPARE(ReadBytes(shell.opened[1]), std::string("echo hi"));
}

void TestPreview::saveAllAttachmentsOfTwoMessages() {
    app::MainWindow& w = *m_window;
    const std::filesystem::path out = homeFolder("saved");
    std::filesystem::create_directories(out);
    m_ports->folderAnswer = out;
    selectRows(w, {rowOfSubject(w, QStringLiteral("Two files")),
                   rowOfSubject(w, QStringLiteral("Report with attachment"))});
    QVERIFY(w.pane().actions().AAttachSave1->isEnabled());
    w.pane().actions().AAttachSave1->trigger();
    QCOMPARE(ReadBytes(out / "two" / "a.txt"), std::string("alpha"));
    QCOMPARE(ReadBytes(out / "two" / "run.sh"), std::string("echo hi"));
    QCOMPARE(ReadBytes(out / "e" / "data.bin"), std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10));
    QCOMPARE(w.panelText(1), QStringLiteral(u"3 個の添付ファイルを保存しました。"));
    QVERIFY(m_ports->prompts->shown.empty());
    // Again: nothing is replaced, the second copies are numbered.
    w.pane().actions().AAttachSave1->trigger();
    QCOMPARE(ReadBytes(out / "two" / "a (2).txt"), std::string("alpha"));
    QCOMPARE(m_ports->folderStarts.back(), out);
    closeAndSave();
    QVERIFY(LoadSettings(SettingsFilePath()).AttachSaveDir == out);
}

// Pictures of the pane for a person to look at; only when asked for
// (PELMORA_SCREENSHOT_DIR set, a real display).
void TestPreview::screenshots() {
    const QString dir = qEnvironmentVariable("PELMORA_SCREENSHOT_DIR");
    if (dir.isEmpty()) QSKIP("PELMORA_SCREENSHOT_DIR not set");
    auto shoot = [&](const QString& name) {
        QTest::qWait(400);
        QVERIFY(m_window->grab().save(dir + QLatin1Char('/') + name));
    };
    select(QStringLiteral(u"あいう"));
    shoot(QStringLiteral("preview-japanese.png"));
    select(QStringLiteral("HTML news"));
    shoot(QStringLiteral("preview-html.png"));
    select(QStringLiteral("Two files"));
    shoot(QStringLiteral("preview-attachments.png"));
    preview().sourceButton()->click();
    shoot(QStringLiteral("preview-source.png"));
    preview().sourceButton()->click();
    selectRows(*m_window, {0, 1});
    shoot(QStringLiteral("preview-two-selected.png"));
}

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
