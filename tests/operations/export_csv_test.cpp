// SPDX-License-Identifier: MIT
#include "operations/export_csv.h"

#include <sstream>

#include "decode/japanese.h"
#include "op_fixture.h"
#include "support/fake_shell.h"
#include "support/scripted_files.h"

namespace fs = std::filesystem;

namespace pelmora::test {
namespace {

std::string cp(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

struct FieldRow {
    const char* name;
    std::string in;
    std::string out;
};

class CsvFieldQuoting : public ::testing::TestWithParam<FieldRow> {};

TEST_P(CsvFieldQuoting, QuotesOnlyWhenNeeded) {
    EXPECT_EQ(CsvField(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CsvFieldQuoting,
    ::testing::Values(
        FieldRow{"bare_word", "Hello", "Hello"}, FieldRow{"empty_is_nothing", "", ""},
        FieldRow{"comma", "a,b", "\"a,b\""}, FieldRow{"quote_doubled", "say \"hi\"", "\"say \"\"hi\"\"\""},
        FieldRow{"lone_quote", "\"", "\"\"\"\""}, FieldRow{"blank", "a b", "\"a b\""},
        FieldRow{"tab", "a\tb", "\"a\tb\""}, FieldRow{"cr_lf", "a\r\nb", "\"a\r\nb\""},
        FieldRow{"control_byte_1", std::string("a\x01", 2), std::string("\"a\x01\"", 4)},
        FieldRow{"byte_33_is_bare", "!x", "!x"}, FieldRow{"size_with_separator", "1,234", "\"1,234\""},
        FieldRow{"small_size", "12", "12"}, FieldRow{"date_text", "2008/01/01 10:00", "\"2008/01/01 10:00\""},
        FieldRow{"full_width_blank_is_bare", "\x81\x40", "\x81\x40"},
        FieldRow{"double_byte_with_0x5c", "\x83\x5C", "\x83\x5C"},
        FieldRow{"japanese_and_comma", "\x82\xA0,\x82\xA2", "\"\x82\xA0,\x82\xA2\""}),
    [](const auto& row) { return std::string(row.param.name); });

class CsvMessageFieldQuoting : public ::testing::TestWithParam<FieldRow> {};

// A text from a message that a spreadsheet would run as a formula is shown
// as text; anything else is quoted as before.
TEST_P(CsvMessageFieldQuoting, NeutralisesFormulaStarts) {
    EXPECT_EQ(CsvMessageField(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CsvMessageFieldQuoting,
    ::testing::Values(FieldRow{"hyperlink", "=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
                      FieldRow{"dde", "=cmd|' /C calc'!A0", "\"'=cmd|' /C calc'!A0\""},
                      FieldRow{"plus", "+SUM(1+1)", "\"'+SUM(1+1)\""}, FieldRow{"minus", "-2", "\"'-2\""},
                      FieldRow{"at", "@SUM(1)", "\"'@SUM(1)\""}, FieldRow{"tab", "\t=1", "\"'\t=1\""},
                      FieldRow{"cr", "\r=1", "\"'\r=1\""}, FieldRow{"inner_equals_is_text", "a=b", "a=b"},
                      FieldRow{"leading_blank_quoted_as_before", " =1", "\" =1\""},
                      FieldRow{"empty", "", ""}),
    [](const auto& row) { return std::string(row.param.name); });

struct SafeRow {
    const char* name;
    std::string in;
    TextEncoding encoding;
    std::string out;
};

class SafeFileNames : public ::testing::TestWithParam<SafeRow> {};

TEST_P(SafeFileNames, ReplacesWholeCharacters) {
    EXPECT_EQ(SafeFileName(GetParam().in, GetParam().encoding), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SafeFileNames,
    ::testing::Values(SafeRow{"windows_path", "C:\\Mail\\Inbox", TextEncoding::Cp932, "C__Mail_Inbox"},
                      SafeRow{"all_nine", "\\/:*?\"<>|x", TextEncoding::Cp932, "_________x"},
                      // ソ is 0x83 0x5C: its second byte is no backslash.
                      SafeRow{"so_keeps_its_second_byte", cp("受信トレイ\\ソフト"), TextEncoding::Cp932,
                              cp("受信トレイ_ソフト")},
                      // 表 is 0x95 0x5C.
                      SafeRow{"hyo_keeps_its_second_byte", cp("表|計"), TextEncoding::Cp932, cp("表_計")},
                      SafeRow{"utf8_linux_path", "/home/u/受信トレイ/ソフト", TextEncoding::Utf8,
                              "_home_u_受信トレイ_ソフト"},
                      SafeRow{"utf8_three_byte_then_backslash", "ぁ\\", TextEncoding::Utf8, "ぁ_"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CsvHeader, UnknownKeyGivesQuestionMarks) {
    EXPECT_EQ(CsvHeaderText(0), "???");
    EXPECT_EQ(CsvHeaderText(100), "???");
    TMsgItem e;
    EXPECT_EQ(CsvFieldText(e, 8), "???");
}

class CsvExport : public MailFolderTest {
protected:
    static std::unique_ptr<TMsgItem> entry(const char* from, const char* subject, const char* size) {
        auto e = std::make_unique<TMsgItem>();
        e->From = cp(from);
        e->To = cp("花子 <hanako@example.com>");
        e->Subject = cp(subject);
        e->SentDateText = "2008/01/01 10:00";
        e->RecvDateText = "2008/01/01 10:05";
        e->SizeKB = size;
        e->FolderPath = "/home/u/受信トレイ";
        e->FolderName = "受信トレイ";
        return e;
    }
    void fill() {
        list.push_back(entry("taro@example.com", "a,b", "1,234"));
        list.push_back(entry("jiro@example.com", "say \"hi\"", "12"));
        list.push_back(entry("saburo@example.com", "plain", "1"));
        view.rows = 3;
    }
    std::string written(const std::vector<int>& keys) {
        std::ostringstream out;
        WriteMessageList(out, keys, list);
        return out.str();
    }
};

TEST_F(CsvExport, MainWindowColumns) {
    fill();
    const std::string csv = written({1, 6, 2, 7, 3, 4});
    const std::string expected = cp("差出人,宛先,件名,送信日時,受信日時,サイズ(KB)\r\n") +
                                 cp("taro@example.com,\"花子 <hanako@example.com>\",\"a,b\",\"2008/01/01 "
                                    "10:00\",\"2008/01/01 10:05\",\"1,234\"\r\n") +
                                 cp("jiro@example.com,\"花子 <hanako@example.com>\",\"say "
                                    "\"\"hi\"\"\",\"2008/01/01 10:00\",\"2008/01/01 10:05\",12\r\n") +
                                 cp("saburo@example.com,\"花子 <hanako@example.com>\",plain,\"2008/01/01 "
                                    "10:00\",\"2008/01/01 10:05\",1\r\n");
    EXPECT_EQ(csv, expected);
    EXPECT_NE(static_cast<unsigned char>(csv[0]), 0xEF) << "no byte-order mark";
}

TEST_F(CsvExport, SearchWindowColumnsAddTheFullFolderPath) {
    fill();
    list.resize(1);
    const std::string csv = written({1, 6, 2, 7, 3, 4, 5});
    EXPECT_TRUE(csv.starts_with(cp("差出人,宛先,件名,送信日時,受信日時,サイズ(KB),フォルダ名\r\n")));
    EXPECT_TRUE(csv.ends_with(",\"1,234\"," + cp("/home/u/受信トレイ") + "\r\n")) << csv;
}

TEST_F(CsvExport, MessageTextsAreNeutralisedDatesAndSizesAreNot) {
    list.push_back(entry("=1+1", "@SUM(1)", "1"));
    list.back()->To = "+1";
    list.back()->FolderPath = "-folder";
    list.back()->SentDateText = "-";
    const std::string csv = written({1, 6, 2, 7, 3, 4, 5});
    EXPECT_TRUE(csv.ends_with("\"'=1+1\",\"'+1\",\"'@SUM(1)\",-,\"2008/01/01 10:05\",1,\"'-folder\"\r\n"))
        << csv;
}

TEST_F(CsvExport, CommandWritesTheFileAndOffersToOpenIt) {
    fill();
    fs::path settings = root / "settings";
    fs::create_directories(settings);
    fs::path msgListDir = root / "deleted-folder";
    prompts.saveAnswer = root / "out" / "list.csv";
    fs::create_directories(root / "out");
    FakeShell shell;
    ProcListMessage1Click("/home/u/受信トレイ", view, list, prompts, shell, msgListDir, settings);

    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    const ports::SaveFileRequest& request = prompts.saveRequests[0];
    EXPECT_EQ(request.titleCp932, cp("出力ファイルの指定"));
    EXPECT_EQ(request.fileName, "_home_u_受信トレイ.csv");
    EXPECT_EQ(request.initialFolder, settings) << "a missing MsgListDir falls back to the settings folder";
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].captionCp932, cp("CSVファイル"));
    EXPECT_EQ(request.filters[0].pattern, "*.csv");
    EXPECT_EQ(request.filters[1].captionCp932, cp("全てのファイル"));
    EXPECT_EQ(request.defaultSuffix, "csv");
    EXPECT_EQ(msgListDir, root / "out");

    EXPECT_TRUE(ReadBytes(root / "out" / "list.csv")
                    .starts_with(cp("差出人,宛先,件名,送信日時,受信日時,サイズ(KB)\r\n")));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0],
              "yesno:" + cp("メッセージのリストを作成します。") + "\r\r" + cp("実行しますか？"));
    EXPECT_EQ(prompts.shown[1], "yesno:3" + cp(" 通のメッセージをリストしました。") + "\r\r\"" +
                                    (root / "out" / "list.csv").native() + "\"" + cp(" を開きますか？"));
    EXPECT_EQ(shell.opened, std::vector<fs::path>{root / "out" / "list.csv"});
}

TEST_F(CsvExport, ExistingMsgListDirIsWhereTheDialogOpens) {
    fill();
    fs::path msgListDir = root;
    prompts.answers = {ports::Answer::Yes, ports::Answer::No};
    FakeShell shell;
    ProcListMessage1Click("x", view, list, prompts, shell, msgListDir, "/nonexistent-settings");
    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_EQ(prompts.saveRequests[0].initialFolder, root);
}

TEST_F(CsvExport, NoAtTheFirstQuestionWritesNothing) {
    fill();
    fs::path msgListDir;
    prompts.answers = {ports::Answer::No};
    FakeShell shell;
    ProcListMessage1Click("x", view, list, prompts, shell, msgListDir, root);
    EXPECT_TRUE(prompts.saveRequests.empty());
    EXPECT_TRUE(msgListDir.empty());
}

TEST_F(CsvExport, CancelledDialogWritesNothing) {
    fill();
    fs::path msgListDir = root;
    FakeShell shell;
    ProcListMessage1Click("x", view, list, prompts, shell, msgListDir, root);
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(msgListDir, root);
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(CsvExport, FailureToOpenIsReported) {
    fill();
    fs::path msgListDir = root;
    prompts.saveAnswer = root / "list.csv";
    FakeShell shell;
    shell.openSucceeds = false;
    ProcListMessage1Click("x", view, list, prompts, shell, msgListDir, root);
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[2], "warning:" + cp("関連付けられたプログラムを起動できません。"));
}

TEST_F(CsvExport, UnwritableFileIsAnError) {
    fill();
    fs::path msgListDir = root;
    prompts.saveAnswer = root / "no-such-folder" / "list.csv";
    FakeShell shell;
    ProcListMessage1Click("x", view, list, prompts, shell, msgListDir, root);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_TRUE(prompts.shown[1].starts_with("error:"));
    EXPECT_EQ(msgListDir, root / "no-such-folder") << "the folder is remembered before writing";
}

// The file the GUI's dialog agreed to replace is replaced by a rename: a
// symbolic link in its place is replaced as a link, never written through
// into the message it points at, and no temporary file stays behind.
TEST_F(CsvExport, FileIsReplacedByRenameNeverThroughALink) {
    fill();
    const fs::path message = root / "message.eml";
    { std::ofstream(message, std::ios::binary) << "From: a@example.com\r\n\r\nbody\r\n"; }
    const fs::path link = root / "list.csv";
    fs::create_symlink(message, link);
    ASSERT_TRUE(WriteMessageListFile(link, {1, 3}, list).has_value());
    EXPECT_FALSE(fs::is_symlink(link));
    std::ostringstream expected;
    WriteMessageList(expected, {1, 3}, list);
    EXPECT_EQ(ReadBytes(link), expected.str());
    EXPECT_EQ(ReadBytes(message), "From: a@example.com\r\n\r\nbody\r\n");
    for (const auto& entry : fs::directory_iterator(root))
        EXPECT_FALSE(entry.path().filename().native().starts_with(".list.csv")) << entry.path();
}

// The dialog asked about a file that was there; one that appears at the
// chosen name after it is replaced only when the user says so.
TEST_F(CsvExport, FileThatAppearedAfterTheDialogIsAskedAbout) {
    fill();
    const fs::path output = root / "list.csv";
    for (const ports::Answer answer : {ports::Answer::No, ports::Answer::Yes}) {
        SCOPED_TRACE(answer == ports::Answer::Yes ? "replaced" : "kept");
        fs::remove(output);
        ScriptedFileSystem files;
        files.beforeRename = [&, done = false](const fs::path&, const fs::path& to) mutable {
            if (to == output && !std::exchange(done, true)) WriteBytes(output, "theirs");
        };
        fs::path msgListDir = root;
        prompts.shown.clear();
        prompts.saveAnswer = output;
        prompts.answers = {ports::Answer::Yes, answer, ports::Answer::No};
        FakeShell shell;
        ProcListMessage1Click("x", view, list, prompts, shell, msgListDir, root, files);
        ASSERT_GE(prompts.shown.size(), 2u);
        EXPECT_EQ(prompts.shown[1], "yesno:\"" + output.native() + "\"" +
                                        cp(" は既に存在します。一覧のファイルで置き換えますか？"));
        if (answer == ports::Answer::Yes)
            EXPECT_TRUE(ReadBytes(output).starts_with(cp("差出人,")));
        else
            EXPECT_EQ(ReadBytes(output), "theirs");
        for (const auto& entry : fs::directory_iterator(root))
            EXPECT_FALSE(entry.path().filename().native().starts_with(".")) << "no temporary file may stay";
    }
}

}  // namespace
}  // namespace pelmora::test
