// SPDX-License-Identifier: MIT
// Saving attachments: safe names, no file ever replaced, nothing left half
// written.
#include "operations/attachment_save.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "decode/cp932.h"
#include "decode/unicode_text.h"
#include "op_fixture.h"
#include "platform/file_io.h"
#include "support/failing_file_system.h"
#include "support/files.h"
#include "support/table_test.h"

namespace fs = std::filesystem;

namespace pelmora::test {
namespace {

class SafeFileNameTest : public testing::TestWithParam<Case> {};
TEST_P(SafeFileNameTest, Makes) {
    EXPECT_EQ(SafeFileName(GetParam().input, "part1.bin"), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Table, SafeFileNameTest,
    testing::Values(Case{"PlainKept", "見積書.xlsx", "見積書.xlsx"},
                    Case{"SlashesAndBackslashes", "../../etc/passwd", ".._.._etc_passwd"},
                    Case{"WindowsPath", "C:\\Users\\a.doc", "C:_Users_a.doc"},
                    Case{"ControlBytesAndNul", std::string("a\nb\tc\0d\x7F.txt", 12), "a_b_c_d_.txt"},
                    Case{"DotDotRefused", "..", "part1.bin"}, Case{"DotRefused", " . ", "part1.bin"},
                    Case{"EmptyRefused", "", "part1.bin"}),
    caseName);

TEST(SafeFileNameTest, LongNameCutAtACharacterWithItsExtension) {
    std::string name;
    for (int i = 0; i < 100; ++i) name += "あ";
    const std::string safe = SafeFileName(name + ".pdf", "x");
    EXPECT_LE(safe.size(), kMaxFileNameBytes);
    EXPECT_GT(safe.size(), kMaxFileNameBytes - 3);
    EXPECT_TRUE(safe.ends_with("あ.pdf"));
    EXPECT_TRUE(IsWellFormedUtf8(safe));
    const std::string numbered = NumberedFileName(safe, 12);
    EXPECT_LE(numbered.size(), kMaxFileNameBytes);
    EXPECT_TRUE(numbered.ends_with(" (12).pdf"));
    EXPECT_TRUE(IsWellFormedUtf8(numbered));
}

TEST(NumberedFileNameTest, GoesBeforeTheExtension) {
    EXPECT_EQ(NumberedFileName("a.pdf", 2), "a (2).pdf");
    EXPECT_EQ(NumberedFileName("archive.tar.gz", 3), "archive.tar (3).gz");
    EXPECT_EQ(NumberedFileName(".bashrc", 2), ".bashrc (2)");
    EXPECT_EQ(NumberedFileName("README", 2), "README (2)");
}

class AttachmentSaveTest : public testing::Test {
protected:
    MessageView read(std::string_view message, const char* name = "m.eml") {
        const fs::path file = m_mail.path() / name;
        WriteBytes(file, message);
        auto view = ReadMessageView(file);
        EXPECT_TRUE(view.has_value());
        return view ? std::move(*view) : MessageView{};
    }
    std::vector<std::string> filesIn(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    static constexpr std::string_view kTwoSameNames =
        "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nbody\n"
        "--b\nContent-Type: text/plain; name=\"../note.txt\"\n\nfirst\n"
        "--b\nContent-Type: text/plain; name=\"../note.txt\"\nContent-Transfer-Encoding: "
        "base64\n\nc2Vjb25k\n--b--\n";

    ScratchFolder m_mail{"pelmora-mail"};
    ScratchFolder m_out{"pelmora-out"};
    FailingFileSystem m_files;
};

TEST_F(AttachmentSaveTest, CollidingNamesNeverReplaceAFile) {
    WriteBytes(m_out.path() / ".._note.txt", "kept");
    const MessageView view = read(kTwoSameNames);
    const SaveOutcome outcome = SaveAllAttachments(view, m_out.path(), m_files);
    EXPECT_TRUE(outcome.failures.empty());
    ASSERT_EQ(outcome.written.size(), 2u);
    EXPECT_EQ(filesIn(m_out.path()),
              (std::vector<std::string>{".._note (2).txt", ".._note (3).txt", ".._note.txt"}));
    EXPECT_EQ(ReadBytes(m_out.path() / ".._note.txt"), "kept");
    EXPECT_EQ(ReadBytes(outcome.written[0]), "first");
    EXPECT_EQ(ReadBytes(outcome.written[1]), "second");
}

TEST_F(AttachmentSaveTest, FailedWriteLeavesNothingBehind) {
    const MessageView view = read(kTwoSameNames);
    m_files.failWrite = true;
    const auto saved = SaveAttachment(view, view.attachments[0], m_out.path(), m_files);
    ASSERT_FALSE(saved.has_value());
    EXPECT_EQ(saved.error().kind, ErrorKind::Write);
    EXPECT_TRUE(filesIn(m_out.path()).empty());
}

// Written to since it was read: shorter, or rewritten to the same size with
// its modification time put back, which only the change time tells.
TEST_F(AttachmentSaveTest, MessageChangedSinceReadIsRefused) {
    const MessageView shortened = read(kTwoSameNames);
    WriteBytes(shortened.path, "Subject: other\n\nshorter\n");
    const MessageView rewritten = read(kTwoSameNames, "same.eml");
    struct stat before {};
    ASSERT_EQ(stat(rewritten.path.c_str(), &before), 0);
    std::string same(kTwoSameNames);
    same[same.find("first")] = 'F';
    WriteBytes(rewritten.path, same);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, rewritten.path.c_str(), times, 0), 0);
    for (const MessageView* view : {&shortened, &rewritten}) {
        const auto saved = SaveAttachment(*view, view->attachments[0], m_out.path(), m_files);
        ASSERT_FALSE(saved.has_value());
        EXPECT_EQ(saved.error().kind, ErrorKind::Changed);
    }
    EXPECT_TRUE(filesIn(m_out.path()).empty());
}

TEST_F(AttachmentSaveTest, OneFolderPerMessageEvenForEqualNames) {
    std::set<std::string> taken;
    EXPECT_EQ(MessageFolder(m_out.path(), "/a/x.eml", taken), m_out.path() / "x");
    EXPECT_EQ(MessageFolder(m_out.path(), "/b/x.eml", taken), m_out.path() / "x (2)");
    EXPECT_EQ(MessageFolder(m_out.path(), "/b/...eml", taken), m_out.path() / "message");
}

class AttachSaveCommand : public MailFolderTest {
protected:
    void SetUp() override {
        MailFolderTest::SetUp();
        const std::string withFile =
            "From: a@example.jp\nContent-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: "
            "text/plain\n\nx\n"
            "--b\nContent-Type: text/plain; name=n.txt\n\nnote\n--b--\n";
        addMessage("one.eml", withFile);
        addMessage("plain.eml", "From: p@example.jp\n\nno attachment\n");
        addMessage("two.eml", withFile);
        load();
        view.selectAll();
    }
    FakeProgress progress;
    FailingFileSystem files;
};

TEST_F(AttachSaveCommand, SavesEveryAttachmentOfTheSelectedMessagesAFolderEach) {
    const fs::path out = root / "out";
    fs::create_directory(out);
    EXPECT_EQ(ProcAttachSave1Click(view, status, list, prompts, progress, out, files), 2);
    EXPECT_EQ(ReadBytes(out / "one" / "n.txt"), "note");
    EXPECT_EQ(ReadBytes(out / "two" / "n.txt"), "note");
    EXPECT_FALSE(fs::exists(out / "plain"));
    EXPECT_EQ(Cp932ToUtf8(status.panels[1]), "2 個の添付ファイルを保存しました。");
    EXPECT_EQ(progress.maximum, 2);
    EXPECT_TRUE(prompts.shown.empty());

    // One message: straight into the folder, beside what is there.
    view.clearSelection();
    view.setSelected(rowOf("one.eml"), true);
    EXPECT_EQ(ProcAttachSave1Click(view, status, list, prompts, progress, out, files), 1);
    EXPECT_EQ(ReadBytes(out / "n.txt"), "note");
}

TEST_F(AttachSaveCommand, AbortStopsBetweenMessagesAndAFailureIsSaid) {
    const fs::path out = root / "out";
    fs::create_directory(out);
    progress.abortAfterEvents = 2;
    EXPECT_EQ(ProcAttachSave1Click(view, status, list, prompts, progress, out, files), 1);
    EXPECT_FALSE(fs::exists(out / "two"));
    progress.abortAfterEvents = -1;
    files.failWrite = true;
    EXPECT_EQ(ProcAttachSave1Click(view, status, list, prompts, progress, out, files), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_NE(Cp932ToUtf8(prompts.shown[0]).find("を保存できませんでした"), std::string::npos);
}

}  // namespace
}  // namespace pelmora::test
