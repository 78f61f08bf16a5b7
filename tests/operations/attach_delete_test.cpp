// SPDX-License-Identifier: MIT
#include "operations/attach_delete.h"

#include <sys/file.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <regex>
#include <utility>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "message/line_reader.h"
#include "message/mail_date.h"
#include "op_fixture.h"
#include "platform/file_io.h"
#include "platform/trash.h"
#include "support/failing_file_system.h"
#include "support/fake_shell.h"
#include "support/scripted_files.h"

namespace fs = std::filesystem;

namespace pelmora::test {
namespace {

const fs::path kStripData = fs::path(PELMORA_TEST_DATA) / "operations" / "strip";

std::vector<std::string> stripCases() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(kStripData))
        if (e.path().extension() == ".eml") names.push_back(e.path().stem());
    std::sort(names.begin(), names.end());
    return names;
}

// Each hand-made message beside its expected result; without a .expected
// file the message must stay exactly as it is.
class StripGolden : public MailFolderTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(StripGolden, RewritesAsExpectedOrLeavesUntouched) {
    const std::string original = ReadBytes(kStripData / (GetParam() + ".eml"));
    const fs::path expectedFile = kStripData / (GetParam() + ".expected");
    const fs::path file = addMessage("m.eml", original);
    load();
    ASSERT_EQ(list.size(), 1u);
    TMsgItem& entry = *list[0];
    const TMsgItem before = entry;
    FakeShell shell;
    shell.trashImpl = RealTrash();

    if (!fs::exists(expectedFile)) {
        // Pretend the scan saw attachments; the rewrite must still decline.
        entry.HasAttach = true;
        if (entry.Boundary.empty()) entry.Boundary = "XYZ";
        auto outcome = RewriteMessageFile(entry, shell, platform::SystemFileSystem());
        ASSERT_TRUE(outcome) << Cp932ToUtf8(RewriteFailureText(outcome.error()));
        EXPECT_EQ(outcome->kind, RewriteOutcome::Kind::Skipped);
        EXPECT_EQ(ReadBytes(file), original);
        EXPECT_TRUE(shell.trashCalls.empty());
        EXPECT_EQ(std::distance(fs::directory_iterator(mail), {}), 1);
        EXPECT_TRUE(entry.HasAttach);
        return;
    }

    ASSERT_TRUE(entry.HasAttach) << "the reader should see the attachments";
    const std::string expected = ReadBytes(expectedFile);
    auto outcome = RewriteMessageFile(entry, shell, platform::SystemFileSystem());
    ASSERT_TRUE(outcome) << Cp932ToUtf8(RewriteFailureText(outcome.error()));
    ASSERT_EQ(outcome->kind, RewriteOutcome::Kind::Rewritten);
    // Times first: reading the file may move its access time.
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(ReadBytes(file), expected);

    // The entry describes the new file.
    EXPECT_FALSE(entry.HasAttach);
    EXPECT_EQ(entry.FileSize, static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(entry.SizeKB, "1");

    // Access and modification time are the scanned FileTime.
    const struct timespec want = TimespecFromFileTime(before.FileTime);
    EXPECT_EQ(st.st_mtim.tv_sec, want.tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, want.tv_nsec);
    EXPECT_EQ(st.st_atim.tv_sec, want.tv_sec);
    EXPECT_EQ(st.st_atim.tv_nsec, want.tv_nsec);

    // The old file is in the trash byte for byte, restorable.
    EXPECT_EQ(ReadBytes(trashFiles() / "m.eml"), original);
    const std::string info = ReadBytes(trashInfo() / "m.eml.trashinfo");
    EXPECT_TRUE(info.starts_with("[Trash Info]\nPath=" + platform::PercentEncodePath(file.native()) + "\n"))
        << info;

    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(mail), {}), 1);

    // Read again, the message keeps its header fields and has no attachment.
    load();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->From, before.From);
    EXPECT_EQ(list[0]->To, before.To);
    EXPECT_EQ(list[0]->Subject, before.Subject);
    EXPECT_EQ(list[0]->MessageId, before.MessageId);
    EXPECT_EQ(list[0]->SentDateText, before.SentDateText);
    EXPECT_EQ(list[0]->Boundary, before.Boundary);
    EXPECT_FALSE(list[0]->HasAttach);
    EXPECT_EQ(list[0]->FileTime, before.FileTime);
}

INSTANTIATE_TEST_SUITE_P(Files, StripGolden, ::testing::ValuesIn(stripCases()),
                         [](const auto& row) { return row.param; });

TEST(BuildStrippedMessage, ReadsOnlyUpToTheSecondDelimiter) {
    const test::ScratchFolder scratch("pelmora-big");
    ASSERT_FALSE(scratch.path().empty());
    const std::filesystem::path big = scratch.path() / "big.eml";
    std::string message =
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\ntext\r\n--b\r\n\r\n";
    const std::size_t head = message.size();
    message += std::string(4 << 20, 'A');
    message += "\r\n--b--\r\n";
    WriteBytes(big, message);
    auto stripped = BuildStrippedMessage(big, "b");
    ASSERT_TRUE(stripped);
    EXPECT_EQ(stripped->content,
              "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\ntext\r\n--b--\r\n");
    EXPECT_GE(stripped->bytesRead, head - 4);
    EXPECT_LT(stripped->bytesRead, std::uint64_t{1} << 20) << "the attachment must not be read";
}

// Lines are copied through in pieces, every byte kept: a gigabyte header
// or first-part line without a break took gigabytes. A line longer than a
// piece is text even where it begins like a delimiter.
TEST(StripMessage, CopiesLongLinesThroughInPieces) {
    const std::string header = "X-Long: " + std::string(1 << 20, 'h');
    const std::string text = std::string(kLinePieceBytes - 1, 'p') + "\r" + std::string(1 << 20, 'q');
    const std::string padded = "--b" + std::string(kLinePieceBytes, ' ');
    const std::string kept = "Content-Type: multipart/mixed; boundary=b\r\n" + header + "\r\n\r\n--b\r\n" +
                             text + "\r\n" + padded + "\r\n";
    LineReader reader;
    reader.openBytes(kept + "--b\r\nattachment\r\n--b--\r\n");
    reader.keepBareCarriageReturns();
    std::string written;
    std::size_t largest = 0;
    auto stripped = StripMessage(reader, "b", [&](std::string_view bytes) {
        largest = std::max(largest, bytes.size());
        written += bytes;
        return true;
    });
    ASSERT_TRUE(stripped);
    EXPECT_EQ(written.size(), *stripped);
    EXPECT_TRUE(written == kept + "--b--\r\n");
    EXPECT_LE(largest, 512u * 1024u);
}

std::expected<std::string, Error> stripped(const std::string& message, std::string_view boundary,
                                           const RemovalRecord* record) {
    LineReader reader;
    reader.openBytes(message);
    reader.keepBareCarriageReturns();
    std::string written;
    auto size = StripMessage(
        reader, boundary,
        [&](std::string_view bytes) {
            written += bytes;
            return true;
        },
        record);
    if (!size) return std::unexpected(size.error());
    EXPECT_EQ(written.size(), *size);
    return written;
}

// Each removed part leaves a text/x-moz-deleted record named after it in
// the form its name was written (RFC 2231 sections and charset, RFC 2047
// words, none); a record already there is copied; the first part is what
// the plain removal keeps; and removing again finds nothing to do.
TEST(StripMessage, KeepsARecordOfEachRemovedPart) {
    const fs::path folder = kStripData / "records";
    const std::string original = ReadBytes(folder / "names.eml");
    const RemovalRecord record{"Tue Dec 08 14:05:09 2026"};
    auto withRecords = stripped(original, "XYZ", &record);
    ASSERT_TRUE(withRecords);
    EXPECT_EQ(*withRecords, ReadBytes(folder / "names.expected"));

    auto plain = stripped(original, "XYZ", nullptr);
    ASSERT_TRUE(plain);
    const std::string firstPart = plain->substr(0, plain->size() - std::string_view("--XYZ--\r\n").size());
    EXPECT_TRUE(withRecords->starts_with(firstPart + "--XYZ\r\n"));

    auto again = stripped(*withRecords, "XYZ", &record);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().kind, ErrorKind::Content);
    EXPECT_EQ(again.error().code, EALREADY);

    // A message without a second part has nothing to remove either way.
    auto onePart =
        stripped("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nx\r\n--b--\r\n", "b", &record);
    ASSERT_FALSE(onePart);
    EXPECT_EQ(onePart.error().kind, ErrorKind::Content);
    EXPECT_NE(onePart.error().code, EALREADY);
}

TEST(RemovalDateText, WritesTheLocalTimeAsOtherProgramsDo) {
    EXPECT_TRUE(std::regex_match(RemovalDateText(std::time(nullptr)),
                                 std::regex("(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} \\d\\d "
                                            "\\d\\d:\\d\\d:\\d\\d \\d{4}")));
}

class AttachDeleteCommand : public MailFolderTest {
protected:
    void SetUp() override {
        MailFolderTest::SetUp();
        attached = ReadBytes(kStripData / "text_two_attachments.eml");
        addMessage("1.eml", attached);
        addMessage("2.eml", "Subject: plain\r\n\r\nno attachments\r\n");
        addMessage("3.eml", attached);
        load();
        shell.trashImpl = RealTrash();
    }
    std::string cp(const char* utf8) const { return Utf8ToAnsi(utf8); }

    std::string attached;
    FakeProgress progress;
    FakeShell shell;
    ScriptedFileSystem files;
};

TEST_F(AttachDeleteCommand, CancelTouchesNothing) {
    view.selectAll();
    prompts.answers = {ports::Answer::Cancel};
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "okcancel:" + cp("選択したメッセージの添付ファイルを削除しますか？"));
    EXPECT_EQ(ReadBytes(mail / "1.eml"), attached);
    EXPECT_TRUE(status.panels.empty());
    EXPECT_EQ(progress.shows, 0);
    EXPECT_TRUE(shell.trashCalls.empty());
}

TEST_F(AttachDeleteCommand, RewritesSelectedMessagesWithAttachments) {
    view.selectAll();
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);

    EXPECT_EQ(progress.title, cp("添付ファイルを削除しています…"));
    EXPECT_EQ(progress.fromCaption, cp("From："));
    EXPECT_EQ(progress.countText, "3");
    EXPECT_EQ(progress.maximum, 3);
    EXPECT_EQ(progress.pos, 3);
    EXPECT_EQ(progress.shows, 1);
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(status.panels[1], "2" + cp(" 通のメッセージの添付ファイルを削除しました。"));
    EXPECT_EQ(view.redrawn, (std::vector<int>{0, 2}));
    EXPECT_FALSE(list[0]->HasAttach);
    EXPECT_FALSE(list[2]->HasAttach);
    EXPECT_EQ(ReadBytes(mail / "1.eml"), ReadBytes(kStripData / "text_two_attachments.expected"));
    EXPECT_EQ(ReadBytes(trashFiles() / "3.eml"), attached);
    for (const auto& call : shell.trashCalls)
        EXPECT_EQ(call.confirmation, ports::TrashConfirmation::DoNotAsk);
}

// With the record kept, the rewrite is the plain one with the records in
// place of the attachments: the original in the trash, its times kept; a
// second removal leaves the file as it is.
TEST_F(AttachDeleteCommand, KeptRecordsReplaceTheAttachments) {
    view.setSelected(0, true);
    const TMsgItem before = *list[0];
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files, true);
    EXPECT_FALSE(list[0]->HasAttach);
    EXPECT_EQ(ReadBytes(trashFiles() / "1.eml"), attached);
    const std::string rewritten = ReadBytes(mail / "1.eml");
    std::string plain = ReadBytes(kStripData / "text_two_attachments.expected");
    plain.resize(plain.size() - std::string_view("--XYZ--\r\n").size());
    EXPECT_TRUE(rewritten.starts_with(
        plain + "--XYZ\r\nContent-Type: text/x-moz-deleted;\r\n name=\"Deleted: a.bin\"\r\n"))
        << rewritten;
    EXPECT_NE(rewritten.find("\r\nContent-Type: text/x-moz-deleted;\r\n name=\"Deleted: b.bin\"\r\n"),
              std::string::npos);
    EXPECT_TRUE(rewritten.ends_with("\r\n--XYZ--\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat((mail / "1.eml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, TimespecFromFileTime(before.FileTime).tv_sec);

    load();
    ASSERT_TRUE(list[0]->HasAttach) << "records are parts after the first";
    view.setSelected(0, true);
    const std::size_t trashCalls = shell.trashCalls.size();
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files, true);
    EXPECT_EQ(ReadBytes(mail / "1.eml"), rewritten);
    EXPECT_EQ(shell.trashCalls.size(), trashCalls);
    EXPECT_FALSE(list[0]->HasAttach);
}

TEST_F(AttachDeleteCommand, OneRowShowsNoProgressDialog) {
    view.setSelected(0, true);
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    EXPECT_EQ(progress.shows, 0);
    EXPECT_EQ(status.panels[1], "1" + cp(" 通のメッセージの添付ファイルを削除しました。"));
}

TEST_F(AttachDeleteCommand, RowsWithoutAttachmentsOnly) {
    view.setSelected(1, true);
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    EXPECT_EQ(status.panels[1], cp("添付ファイルはありませんでした。"));
    EXPECT_TRUE(shell.trashCalls.empty());
}

TEST_F(AttachDeleteCommand, AbortStopsAfterTheCurrentRow) {
    view.selectAll();
    progress.abortAfterEvents = 2;  // the first event follows the preparation
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    EXPECT_EQ(status.panels[1], "1" + cp(" 通のメッセージの添付ファイルを削除しました。"));
    EXPECT_EQ(ReadBytes(mail / "3.eml"), attached);
}

TEST_F(AttachDeleteCommand, TrashRefusalSkipsThatFileAndGoesOn) {
    view.selectAll();
    shell.failPaths = {mail / "1.eml"};
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    EXPECT_EQ(ReadBytes(mail / "1.eml"), attached);
    EXPECT_TRUE(list[0]->HasAttach);
    EXPECT_FALSE(list[2]->HasAttach);
    EXPECT_EQ(status.panels[1], "1" + cp(" 通のメッセージの添付ファイルを削除しました（") + "1" +
                                    cp(" 通は削除できませんでした）。"));
    EXPECT_EQ(std::distance(fs::directory_iterator(mail), {}), 3) << "no temporary file may stay";
}

TEST_F(AttachDeleteCommand, UnreadableFileStopsTheCommandWithItsMessage) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    ::chmod((mail / "1.eml").c_str(), 0);
    view.selectAll();
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1], "warning:\"" + (mail / "1.eml").native() + "\"" +
                                    cp(" を開けませんでした。") + "\r\r" +
                                    cp("使用中でないか確認して下さい。"));
    EXPECT_EQ(ReadBytes(mail / "3.eml"), attached) << "no later file is processed";
    EXPECT_EQ(status.panels[1], "1" + cp(" 通のメッセージの添付ファイルを削除できませんでした。"));
}

// The original must stay where it was, byte for byte, when the new content
// cannot be written.
void expectUntouchedAfterWriteFailure(const std::string& attached, const fs::path& mail,
                                      const FakePrompts& prompts, FakeStatusBar& status,
                                      const MsgList& list) {
    EXPECT_EQ(ReadBytes(mail / "1.eml"), attached);
    EXPECT_EQ(ReadBytes(mail / "3.eml"), attached);
    EXPECT_TRUE(list[0]->HasAttach);
    EXPECT_EQ(std::distance(fs::directory_iterator(mail), {}), 3) << "no temporary file may stay";
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_TRUE(prompts.shown.back().starts_with("error:")) << prompts.shown.back();
    // The message kept its attachments: the status must not say it had none.
    EXPECT_EQ(status.panels[1], Utf8ToAnsi("1 通のメッセージの添付ファイルを削除できませんでした。"));
}

TEST_F(AttachDeleteCommand, ReadOnlyFolderLeavesOriginalInPlace) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; see FullDiskLeavesOriginalInPlace";
    ::chmod(mail.c_str(), 0555);
    view.selectAll();
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    ::chmod(mail.c_str(), 0755);
    expectUntouchedAfterWriteFailure(attached, mail, prompts, status, list);
    EXPECT_EQ(trashCount(), 0u);
}

// A write that fails (a full disk; how the file is kept is the file
// replacement's to show) ends the command with its message.
TEST_F(AttachDeleteCommand, WriteFailureEndsTheCommandLeavingOriginalsInPlace) {
    files.failWrite = true;
    view.selectAll();
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    expectUntouchedAfterWriteFailure(attached, mail, prompts, status, list);
    EXPECT_NE(prompts.shown.back().find(cp("元のファイルは変更されていません。")), std::string::npos);
    EXPECT_TRUE(shell.trashCalls.empty());
}

// The new content could not take the name: the message says the original
// is back as it was, or, when the trash did not say where it went, where
// both are.
TEST_F(AttachDeleteCommand, FailedRenameSaysWhatBecameOfTheOriginal) {
    files.failRename = [](const fs::path&, const fs::path&) { return true; };
    auto outcome = RewriteMessageFile(*list[0], shell, files);
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error().kind, ErrorKind::Write);
    EXPECT_NE(RewriteFailureText(outcome.error()).find(cp("元のファイルは変更されていません。")),
              std::string::npos);
    EXPECT_EQ(ReadBytes(mail / "1.eml"), attached);
    EXPECT_TRUE(list[0]->HasAttach);

    FakeShell pretending;  // reports the move without saying where the file went
    outcome = RewriteMessageFile(*list[2], pretending, files);
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error().kind, ErrorKind::Write);
    std::vector<fs::path> temporaries;
    for (const auto& e : fs::directory_iterator(mail))
        if (e.path().filename().native().starts_with(".3.eml.pelmora-")) temporaries.push_back(e.path());
    ASSERT_EQ(temporaries.size(), 1u);
    EXPECT_EQ(ReadBytes(temporaries[0]), ReadBytes(kStripData / "text_two_attachments.expected"));
    EXPECT_NE(RewriteFailureText(outcome.error()).find(temporaries[0].native()), std::string::npos);
}

TEST_F(AttachDeleteCommand, LongestFileNameStillRewrites) {
    const std::string name = std::string(251, 'x') + ".eml";  // 255 bytes, the most a name may have
    addMessage(name, attached);
    load();
    auto outcome = RewriteMessageFile(*list[rowOf(name)], shell, files);
    ASSERT_TRUE(outcome) << Cp932ToUtf8(RewriteFailureText(outcome.error()));
    ASSERT_EQ(outcome->kind, RewriteOutcome::Kind::Rewritten);
    EXPECT_EQ(ReadBytes(mail / name), ReadBytes(kStripData / "text_two_attachments.expected"));
}

// The new content gets the times of the file it was made from, not those
// of an older scan.
TEST_F(AttachDeleteCommand, NewTimesComeFromTheFileAsRead) {
    list[0]->FileTime += 10'000'000;  // one second later than the file
    auto outcome = RewriteMessageFile(*list[0], shell, files);
    ASSERT_TRUE(outcome);
    ASSERT_EQ(outcome->kind, RewriteOutcome::Kind::Rewritten);
    struct stat st {};
    ::stat((mail / "1.eml").c_str(), &st);
    EXPECT_EQ(st.st_mtim.tv_sec, 1199149200);
    EXPECT_EQ(st.st_atim.tv_sec, 1199149200);
}

// A file written to after it was read (the ways to tell are the file
// replacement's) is left alone, with a message, and nothing goes to the trash.
TEST_F(AttachDeleteCommand, FileChangedWhileReadIsLeftAloneAndSaysSo) {
    const fs::path file = mail / "1.eml";
    files.changeAtFirstWrite([&] { WriteBytes(file, attached + "new text\r\n"); });
    auto outcome = RewriteMessageFile(*list[0], shell, files);
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error().kind, ErrorKind::Changed);
    EXPECT_NE(Cp932ToUtf8(RewriteFailureText(outcome.error())).find("変更された"), std::string::npos);
    EXPECT_EQ(ReadBytes(file), attached + "new text\r\n");
    EXPECT_TRUE(shell.trashCalls.empty());
    EXPECT_TRUE(list[0]->HasAttach);
}

// The same after the last look at the file, while the old file goes to the
// trash: while its .trashinfo is written, and between the trash's own last
// comparison and the move. What reached the trash is not what was read, so
// it goes back; the new content is not used and the command says so.
TEST_F(AttachDeleteCommand, FileChangedOnItsWayToTheTrashGoesBack) {
    const fs::path file = mail / "1.eml";
    std::string changed = attached;
    changed[changed.find("Hello")] = 'J';
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"edited in place", [&] { WriteBytes(file, changed); }},
        {"replaced",
         [&] {
             WriteBytes(mail / "other", changed);
             fs::rename(mail / "other", file);
         }},
    };
    for (const bool atTheMove : {false, true}) {
        for (const auto& [name, change] : changes) {
            SCOPED_TRACE(std::string(name) +
                         (atTheMove ? ", at the move" : ", while the .trashinfo is written"));
            addMessage("1.eml", attached);
            load();
            ScriptedFileSystem trashFiles;
            if (atTheMove)
                trashFiles.changeBeforeRenameOf(file, change);
            else
                trashFiles.changeBeforeWriteTo(".trashinfo", change);
            shell.trashImpl = RealTrash(trashFiles);
            view.clearSelection();
            view.setSelected(0, true);
            prompts.shown.clear();
            ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
            EXPECT_EQ(ReadBytes(file), changed);
            EXPECT_TRUE(list[0]->HasAttach);
            EXPECT_EQ(trashCount(), 0u);
            EXPECT_TRUE(!fs::exists(trashInfo()) || fs::is_empty(trashInfo()));
            EXPECT_EQ(std::distance(fs::directory_iterator(mail), {}), 3) << "no temporary file may stay";
            ASSERT_EQ(prompts.shown.size(), 2u);
            EXPECT_NE(Cp932ToUtf8(prompts.shown[1]).find("変更された"), std::string::npos)
                << prompts.shown[1];
            EXPECT_EQ(status.panels[1], cp("1 通のメッセージの添付ファイルを削除できませんでした。"));
        }
    }
}

// The rewritten file keeps what the user gave the old one: its permissions
// and its extended attributes (tags a file manager keeps).
TEST_F(AttachDeleteCommand, RewriteKeepsPermissionsAndExtendedAttributes) {
    const fs::path file = mail / "1.eml";
    const std::string tags = "work,2008";
    if (::setxattr(file.c_str(), "user.xdg.tags", tags.data(), tags.size(), 0) != 0)
        GTEST_SKIP() << "no user extended attributes here: " << std::strerror(errno);
    ::chmod(file.c_str(), 0640);
    load();
    auto outcome = RewriteMessageFile(*list[0], shell, files);
    ASSERT_TRUE(outcome) << Cp932ToUtf8(RewriteFailureText(outcome.error()));
    ASSERT_EQ(outcome->kind, RewriteOutcome::Kind::Rewritten);
    char value[64] = {};
    const ssize_t size = ::getxattr(file.c_str(), "user.xdg.tags", value, sizeof value);
    EXPECT_EQ(size >= 0 ? std::string(value, static_cast<std::size_t>(size)) : std::strerror(errno), tags);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// A symbolic link is not rewritten (that would put a file in its place and
// leave the message it points at as it was), and the command says so rather
// than that there were no attachments.
TEST_F(AttachDeleteCommand, SymbolicLinkIsNotRewrittenAndSaysSo) {
    fs::create_symlink(mail / "1.eml", mail / "0-link.eml");
    load();
    ASSERT_EQ(rowOf("0-link.eml"), 0);
    ASSERT_TRUE(list[0]->HasAttach);
    view.setSelected(0, true);
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    EXPECT_TRUE(fs::is_symlink(mail / "0-link.eml"));
    EXPECT_EQ(ReadBytes(mail / "1.eml"), attached);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1], "warning:\"" + (mail / "0-link.eml").native() + "\"" +
                                    cp(" はシンボリックリンクのため、書き換えませんでした。") + "\r\r" +
                                    cp("リンク先のファイルで実行して下さい。"));
    EXPECT_EQ(status.panels[1], cp("1 通のメッセージの添付ファイルを削除できませんでした。"));
}

// What a rewrite that was killed left in the folder (its name is ours) goes
// with the next attachment removal there; a file of that name that a running
// rewrite holds, and names that only look alike, stay.
TEST_F(AttachDeleteCommand, LeftoverTemporaryFilesGoWithTheNextRemoval) {
    const std::vector<std::string> leftovers = {".1.eml.pelmora-AbC123", ".pelmora-xyz789"};
    const std::vector<std::string> others = {".1.eml.pelmora-list-AbC123", "1.eml.pelmora-AbC123",
                                             ".1.eml.pelmora-AbC12", ".3.eml.pelmora-InUse1"};
    for (const auto& name : leftovers) WriteBytes(mail / name, "half a message");
    for (const auto& name : others) WriteBytes(mail / name, "not ours to remove");
    const int held = ::open((mail / ".3.eml.pelmora-InUse1").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    view.setSelected(rowOf("3.eml"), true);
    ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files);
    ::close(held);
    for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(mail / name)) << name;
    for (const auto& name : others) EXPECT_TRUE(fs::exists(mail / name)) << name;
    EXPECT_FALSE(list[rowOf("3.eml")]->HasAttach);
}

}  // namespace
}  // namespace pelmora::test
