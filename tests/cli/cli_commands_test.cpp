// SPDX-License-Identifier: MIT
// pelmora-cli trash, strip, export, show, attachments and extract as a user
// runs them: exit statuses, the refusal without a terminal, and the files
// afterwards.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <utility>

#include "catalogue/ordering.h"
#include "cli/commands.h"
#include "operations/export_csv.h"
#include "operations/op_fixture.h"
#include "support/scripted_files.h"

namespace fs = std::filesystem;

namespace pelmora::test {
namespace {

const fs::path kStripData = fs::path(PELMORA_TEST_DATA) / "operations" / "strip";

class CliCommands : public MailFolderTest {
protected:
    void SetUp() override {
        MailFolderTest::SetUp();
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) savedConfig = old;
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        attached = ReadBytes(kStripData / "text_two_attachments.eml");
        addMessage("a.eml", attached);
        addMessage("b.eml", "From: b@example.com\r\nSubject: x, y\r\nMessage-ID: <b@x>\r\n\r\nbody\r\n",
                   1300000000);
    }
    void TearDown() override {
        if (savedConfig)
            ::setenv("XDG_CONFIG_HOME", savedConfig->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        MailFolderTest::TearDown();
    }
    // Runs the command with stdin from /dev/null; its stdout in out.
    int run(const std::string& arguments, std::string* out = nullptr) {
        const fs::path captured = root / "stdout";
        const std::string command = std::string("'") + PELMORA_CLI + "' " + arguments + " </dev/null >'" +
                                    captured.native() + "' 2>'" + (root / "stderr").native() + "'";
        int exit = std::system(command.c_str());
        if (out) *out = ReadBytes(captured);
        return WIFEXITED(exit) ? WEXITSTATUS(exit) : -1;
    }
    std::string quoted(const fs::path& p) const { return "'" + p.native() + "'"; }

    // Runs the command in this process, with files as the port its renames
    // and writes go through and stdin from /dev/null; its stderr in err.
    int runHere(int (*command)(const cli::Args&, ports::FileSystem&), const cli::Args& args,
                ports::FileSystem& files, std::string& err) {
        std::ostringstream out, errors;
        std::streambuf* const oldOut = std::cout.rdbuf(out.rdbuf());
        std::streambuf* const oldErr = std::cerr.rdbuf(errors.rdbuf());
        const int savedIn = ::dup(STDIN_FILENO);
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::dup2(null, STDIN_FILENO);
        ::close(null);
        const int exit = command(args, files);
        ::dup2(savedIn, STDIN_FILENO);
        ::close(savedIn);
        std::cout.rdbuf(oldOut);
        std::cerr.rdbuf(oldErr);
        err = errors.str();
        return exit;
    }

    std::string attached;
    std::optional<std::string> savedConfig;
};

TEST_F(CliCommands, TrashWithoutTerminalRefusesAndKeepsTheFile) {
    EXPECT_EQ(run("trash " + quoted(mail / "a.eml")), 2);
    EXPECT_TRUE(fs::exists(mail / "a.eml"));
    EXPECT_EQ(trashCount(), 0u);
}

TEST_F(CliCommands, TrashYesMovesWhatExistsAndFailsForTheRest) {
    EXPECT_EQ(run("trash --yes " + quoted(mail / "a.eml") + " " + quoted(mail / "missing.eml")), 1);
    EXPECT_FALSE(fs::exists(mail / "a.eml"));
    EXPECT_EQ(ReadBytes(trashFiles() / "a.eml"), attached);
    EXPECT_NE(ReadBytes(root / "stderr").find("missing.eml"), std::string::npos);
    EXPECT_EQ(run("trash --yes " + quoted(mail / "b.eml")), 0);
}

TEST_F(CliCommands, BadUsageIsTwo) {
    EXPECT_EQ(run("trash"), 2);
    EXPECT_EQ(run("strip --frobnicate " + quoted(mail)), 2);
    EXPECT_EQ(run("export " + quoted(mail)), 2);
}

TEST_F(CliCommands, StripDryRunChangesNothingAndTellsTheSaving) {
    std::string out;
    EXPECT_EQ(run("strip --dry-run " + quoted(mail), &out), 0);
    EXPECT_EQ(ReadBytes(mail / "a.eml"), attached);
    const std::size_t saved =
        attached.size() - ReadBytes(kStripData / "text_two_attachments.expected").size();
    EXPECT_NE(out.find("(saves " + std::to_string(saved) + " bytes)"), std::string::npos) << out;
    EXPECT_EQ(out.find("b.eml"), std::string::npos) << "a message without attachments is not listed";
}

TEST_F(CliCommands, StripWithoutTerminalRefuses) {
    EXPECT_EQ(run("strip " + quoted(mail / "a.eml")), 2);
    EXPECT_EQ(ReadBytes(mail / "a.eml"), attached);
}

TEST_F(CliCommands, StripYesRewritesFolderMessages) {
    EXPECT_EQ(run("strip --yes " + quoted(mail)), 0);
    EXPECT_EQ(ReadBytes(mail / "a.eml"), ReadBytes(kStripData / "text_two_attachments.expected"));
    EXPECT_EQ(ReadBytes(trashFiles() / "a.eml"), attached);
    EXPECT_FALSE(fs::exists(trashFiles() / "b.eml"));
}

// --keep-record leaves a record per attachment; run again, it finds the
// message done and says nothing.
TEST_F(CliCommands, StripKeepRecordLeavesRecordsAndASecondRunChangesNothing) {
    EXPECT_EQ(run("strip --yes --keep-record " + quoted(mail)), 0);
    const std::string rewritten = ReadBytes(mail / "a.eml");
    EXPECT_NE(rewritten.find("name=\"Deleted: a.bin\""), std::string::npos) << rewritten;
    EXPECT_NE(rewritten.find("filename=\"Deleted: b.bin\""), std::string::npos) << rewritten;
    EXPECT_EQ(ReadBytes(trashFiles() / "a.eml"), attached);
    EXPECT_EQ(run("strip --yes --keep-record " + quoted(mail)), 0);
    EXPECT_EQ(ReadBytes(mail / "a.eml"), rewritten);
    EXPECT_EQ(ReadBytes(root / "stderr").find("not rewritten"), std::string::npos);
}

TEST_F(CliCommands, ExportWritesWhatTheGuiWrites) {
    EXPECT_EQ(run("export -o " + quoted(root / "list.csv") + " " + quoted(mail)), 0);
    load();
    ResortList(view, KeyReceived, list);
    std::ostringstream expected;
    WriteMessageList(expected, {1, 6, 2, 7, 3, 4}, list);
    const std::string csv = expected.str();
    EXPECT_EQ(ReadBytes(root / "list.csv"), csv);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
}

// An existing file is replaced only with the user's word, by a rename: a
// message named as the output survived nothing before (exit 0, content
// gone), a link was written through, and a full disk left half a list.
TEST_F(CliCommands, ExportRefusesToReplaceUnlessAskedAndNeverWritesThroughALink) {
    const std::string exportTo = "export -o ";
    EXPECT_EQ(run(exportTo + quoted(mail / "a.eml") + " " + quoted(mail)), 2);
    EXPECT_EQ(ReadBytes(mail / "a.eml"), attached);

    const fs::path link = root / "link.csv";
    fs::create_symlink(mail / "b.eml", link);
    const std::string message = ReadBytes(mail / "b.eml");
    EXPECT_EQ(run(exportTo + quoted(link) + " " + quoted(mail)), 2);
    EXPECT_EQ(run(exportTo + quoted(link) + " --yes " + quoted(mail)), 0);
    EXPECT_EQ(ReadBytes(mail / "b.eml"), message);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_TRUE(ReadBytes(link).starts_with(CsvField(CsvHeaderText(1)) + ","));
    EXPECT_NE(
        ReadBytes(root / "stderr")
            .find(std::string("\xE3\x82\xB7\xE3\x83\xB3\xE3\x83\x9C\xE3\x83\xAA\xE3\x83\x83\xE3\x82\xAF")),
        std::string::npos)
        << "says that it replaced a symbolic link";

    // No room for a single byte: the previous list stays whole.
    const std::string previous = ReadBytes(link);
    const std::string command = "trap '' XFSZ; ulimit -f 0; '" + std::string(PELMORA_CLI) +
                                "' export --yes -o " + quoted(link) + " " + quoted(mail) +
                                " </dev/null >/dev/null 2>/dev/null";
    const int exit = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 1) << exit;
    EXPECT_EQ(ReadBytes(link), previous);
    for (const auto& entry : fs::directory_iterator(root))
        EXPECT_FALSE(entry.path().filename().native().starts_with(".link.csv")) << entry.path();
}

TEST_F(CliCommands, ShowPrintsTheFieldsAndTheBody) {
    std::string out;
    EXPECT_EQ(run("show " + quoted(mail / "a.eml"), &out), 0);
    EXPECT_NE(out.find("From: Taro <taro@example.com>\nTo: hanako@example.com\nSubject: two attachments\n"),
              std::string::npos)
        << out;
    EXPECT_TRUE(out.ends_with("\n\nHello.\n\nBye.\n")) << out;
    EXPECT_EQ(run("show --format=json " + quoted(mail / "a.eml"), &out), 0);
    EXPECT_NE(
        out.find("\"body_type\":\"text/plain\",\"body\":\"Hello.\\n\\nBye.\",\"attachments\":[{\"name\":"
                 "\"a.bin\",\"type\":\"application/octet-stream\",\"size\":108},"),
        std::string::npos)
        << out;
    EXPECT_EQ(run("show " + quoted(mail / "missing.eml")), 1);
    EXPECT_EQ(run("show"), 2);
    EXPECT_EQ(run("show " + quoted(mail / "a.eml") + " " + quoted(mail / "b.eml")), 2);
}

TEST_F(CliCommands, AttachmentsListsOneRowEach) {
    std::string out;
    EXPECT_EQ(run("attachments --format=tsv " + quoted(mail / "a.eml") + " " + quoted(mail / "b.eml"), &out),
              0);
    const std::string path = (mail / "a.eml").native();
    EXPECT_EQ(out, "path\tname\ttype\tsize\n" + path + "\ta.bin\tapplication/octet-stream\t108\n" + path +
                       "\tb.bin\tapplication/octet-stream\t4\n");
}

TEST_F(CliCommands, ExtractNeverReplacesAFile) {
    const fs::path out = root / "out";
    std::string printed;
    EXPECT_EQ(run("extract -o " + quoted(out) + " " + quoted(mail / "a.eml")), 2) << "no folder, no terminal";
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(run("extract --yes -o " + quoted(out) + " " + quoted(mail / "a.eml"), &printed), 0);
    EXPECT_EQ(printed, (out / "a.bin").native() + "\n" + (out / "b.bin").native() + "\n");
    WriteBytes(out / "b.bin", "mine");
    EXPECT_EQ(run("extract -o " + quoted(out) + " " + quoted(mail / "a.eml"), &printed), 0);
    EXPECT_EQ(printed, (out / "a (2).bin").native() + "\n" + (out / "b (2).bin").native() + "\n");
    EXPECT_EQ(ReadBytes(out / "b.bin"), "mine");
    EXPECT_EQ(ReadBytes(out / "b (2).bin"), "BBBB");
    EXPECT_EQ(ReadBytes(out / "a.bin"), std::string(108, '\0'));
    // Several messages: a folder for each that has attachments.
    addMessage("c.eml", attached);
    EXPECT_EQ(run("extract -o " + quoted(out) + " " + quoted(mail / "a.eml") + " " + quoted(mail / "b.eml") +
                  " " + quoted(mail / "c.eml")),
              0);
    EXPECT_TRUE(fs::exists(out / "a" / "b.bin"));
    EXPECT_TRUE(fs::exists(out / "c" / "a.bin"));
    EXPECT_FALSE(fs::exists(out / "b"));
    EXPECT_EQ(run("extract -o"), 2);
}

// A link to a message is that message, not a copy of it: dups --trash used
// to trash the file and keep the link to it, now dangling.
TEST_F(CliCommands, DupsTrashNeverTakesAFileAndLeavesALinkToIt) {
    fs::create_symlink(mail / "b.eml", mail / "aa-link.eml");
    EXPECT_EQ(run("dups --trash --yes " + quoted(mail)), 0);
    EXPECT_TRUE(fs::exists(mail / "b.eml"));
    EXPECT_TRUE(fs::exists(mail / "aa-link.eml")) << "the link still reaches its file";
    EXPECT_EQ(trashCount(), 0u);
}

// Three copies in three subfolders: --keep names the one left unselected,
// and each JSON record says its group, whether it is kept and the rule.
TEST_F(CliCommands, DupsKeepNamesTheCopyThatStays) {
    const std::string message =
        "From: k@example.com\r\nSubject: k\r\nDate: Mon, 1 Mar 2010 10:00:00 +0900\r\n"
        "Message-ID: <k@x>\r\n\r\nbody\r\n";
    for (const char* folder : {"old", "big", "new"}) fs::create_directory(mail / folder);
    addMessage("old/m.eml", message, 1300000000);
    addMessage("big/m.eml", message + std::string(4000, 'x') + "\r\n", 1300000100);
    addMessage("new/m.eml", message, 1300000200);
    const std::pair<std::string, std::string> cases[] = {
        {"", "old/"},
        {"--keep=newest ", "new/"},
        {"--keep=largest ", "big/"},
        {"--keep=under:" + quoted(mail / "new") + " ", "new/"}};
    for (const auto& [option, kept] : cases) {
        SCOPED_TRACE(option);
        std::string out;
        ASSERT_EQ(run("dups -r " + option + "--format=json " + quoted(mail), &out), 0);
        std::istringstream json(out);
        int records = 0;
        for (std::string line; std::getline(json, line); ++records) {
            EXPECT_NE(line.find("\"group\":1,"), std::string::npos) << line;
            const bool keep = line.find("\"keep\":true") != std::string::npos;
            EXPECT_EQ(keep, line.find(kept + "m.eml") != std::string::npos) << line;
            EXPECT_EQ(keep, line.find("\"selected\":false") != std::string::npos) << line;
            const std::string rule =
                option.empty() ? "oldest" : option.substr(7, option.find_first_of(": ", 7) - 7);
            EXPECT_NE(line.find("\"rule\":\"" + rule), std::string::npos) << line;
        }
        EXPECT_EQ(records, 3);
    }
    EXPECT_EQ(run("dups --keep=first " + quoted(mail)), 2);
    EXPECT_NE(ReadBytes(root / "stderr").find("bad --keep value 'first'"), std::string::npos);
}

// list, search -r and strip name a folder they cannot read and exit 1,
// after doing what they can with the rest.
TEST_F(CliCommands, UnreadableFoldersAreReportedAndTheRestIsDone) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const fs::path locked = mail / "locked";
    fs::create_directory(locked);
    fs::copy_file(mail / "b.eml", locked / "c.eml");
    fs::permissions(locked, fs::perms::owner_write | fs::perms::owner_exec);
    const std::string said =
        "\xE8\xAA\xAD\xE3\x81\xBF\xE5\x8F\x96\xE3\x82\x8C\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93";  // 読み取れません
    std::string out;
    EXPECT_EQ(run("list " + quoted(locked)), 1);
    EXPECT_NE(ReadBytes(root / "stderr").find(said), std::string::npos);
    EXPECT_EQ(run("search -r --subject=x --format=tsv " + quoted(mail), &out), 1);
    EXPECT_NE(out.find("b.eml"), std::string::npos) << "the readable match is still listed";
    EXPECT_NE(ReadBytes(root / "stderr").find(said), std::string::npos);
    EXPECT_EQ(run("strip --yes " + quoted(locked)), 1);
    EXPECT_NE(ReadBytes(root / "stderr").find(said), std::string::npos);
    fs::permissions(locked, fs::perms::owner_all);
}

// mail/sub is a link to other/inner: for the kernel mail/sub/.. is other,
// and so it is for every command. strip rewrote the messages of mail/
// instead, and trash recorded mail/c.eml, another file, as the place to
// restore to.
TEST_F(CliCommands, PathsWithDotDotAfterALinkNameWhatTheKernelReaches) {
    const fs::path other = root / "other";
    fs::create_directories(other / "inner");
    fs::create_symlink(other / "inner", mail / "sub");
    WriteBytes(other / "c.eml", attached);
    std::string out;
    EXPECT_EQ(run("list --format=tsv " + quoted(mail / "sub" / ".."), &out), 0);
    EXPECT_NE(out.find("\nc.eml\t"), std::string::npos) << out;
    EXPECT_EQ(run("strip --yes " + quoted(mail / "sub" / "..")), 0);
    EXPECT_EQ(ReadBytes(mail / "a.eml"), attached) << "mail/ is not the folder named";
    EXPECT_NE(ReadBytes(other / "c.eml"), attached);

    WriteBytes(mail / "c.eml", "stays");
    EXPECT_EQ(run("trash --yes " + quoted(mail / "sub" / ".." / "c.eml")), 0);
    EXPECT_EQ(ReadBytes(mail / "c.eml"), "stays");
    EXPECT_FALSE(fs::exists(other / "c.eml"));
    std::string infos;
    for (const auto& info : fs::directory_iterator(trashInfo())) infos += ReadBytes(info.path());
    EXPECT_NE(infos.find("Path=" + (other / "c.eml").native() + "\n"), std::string::npos) << infos;
}

// Without a terminal --ask cannot be answered: the search stops there, says
// so, and exits 2 as for every question nobody can answer, without advising
// a --yes that search does not take or counting the message as skipped.
TEST_F(CliCommands, SearchAskWithoutTerminalStopsWithStatusTwo) {
    addMessage("c.eml",
               "From: c@example.com\r\nSubject: c\r\nContent-Type: text/plain; charset=big5\r\n\r\nbody\r\n");
    EXPECT_EQ(run("search --ask --body=body " + quoted(mail)), 2);
    const std::string said = ReadBytes(root / "stderr");
    EXPECT_NE(said.find("stopped"), std::string::npos) << said;
    EXPECT_EQ(said.find("--yes"), std::string::npos) << said;
    EXPECT_EQ(said.find("スキップして検索しました"), std::string::npos) << said;
}

// Another program edits the message while strip moves it to the trash:
// what reached the trash is not what was read, so it goes back, the new
// content is not used, and strip says so.
TEST_F(CliCommands, StripPutsBackAMessageChangedOnItsWayToTheTrash) {
    std::string changed = attached;
    changed[changed.find("Hello")] = 'J';
    ScriptedFileSystem files;
    files.changeBeforeRenameOf(mail / "a.eml", [&] { WriteBytes(mail / "a.eml", changed); });
    std::string err;
    EXPECT_EQ(runHere(cli::StripCommand, {"--yes", (mail / "a.eml").native()}, files, err), 1);
    EXPECT_EQ(ReadBytes(mail / "a.eml"), changed);
    EXPECT_EQ(trashCount(), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(mail), {}), 2) << "no temporary file may stay";
    EXPECT_NE(err.find("\xE5\xA4\x89\xE6\x9B\xB4\xE3\x81\x95\xE3\x82\x8C"), std::string::npos)
        << err;  // 変更され
}

// A selected copy replaced by another message after the question (here
// while its .trashinfo is written) is no longer the duplicate: it stays,
// and the count says so.
TEST_F(CliCommands, DupsTrashLeavesACopyReplacedAfterTheQuestion) {
    addMessage("c.eml", ReadBytes(mail / "b.eml"), 1300000000);
    ScriptedFileSystem files;
    std::string replaced;
    files.beforeWrite = [&](const fs::path& written) {
        const std::string name = written.filename().native();
        if (!replaced.empty() || !name.ends_with(".trashinfo")) return;
        replaced = name.substr(0, name.size() - std::string_view(".trashinfo").size());
        WriteBytes(mail / "new", "From: x@example.com\r\nSubject: another\r\n\r\nother\r\n");
        fs::rename(mail / "new", mail / replaced);
    };
    std::string err;
    EXPECT_EQ(runHere(cli::DupsCommand, {"--trash", "--yes", mail.native()}, files, err), 1);
    ASSERT_FALSE(replaced.empty());
    EXPECT_NE(ReadBytes(mail / replaced).find("another"), std::string::npos);
    EXPECT_EQ(trashCount(), 0u);
    EXPECT_NE(err.find("0 of 1 copies moved to the trash"), std::string::npos) << err;
}

// Nothing was at the list's name when export asked; a file that appears
// there while the folder is read is never replaced unseen: without a
// terminal to ask again export stops (2), with --yes it replaces it.
TEST_F(CliCommands, ExportNeverReplacesAFileThatAppearedWhileTheFolderLoaded) {
    const fs::path output = root / "list.csv";
    const std::string theirs = "someone else's file\n";
    auto appearing = [&] {
        ScriptedFileSystem files;
        files.beforeRename = [&, done = false](const fs::path&, const fs::path& to) mutable {
            if (to != output || std::exchange(done, true)) return;
            WriteBytes(output, theirs);
        };
        return files;
    };
    std::string err;
    ScriptedFileSystem refused = appearing();
    EXPECT_EQ(runHere(cli::ExportCommand, {"-o", output.native(), mail.native()}, refused, err), 2);
    EXPECT_EQ(ReadBytes(output), theirs);
    for (const auto& entry : fs::directory_iterator(root))
        EXPECT_FALSE(entry.path().filename().native().starts_with(".")) << "no temporary file may stay";

    fs::remove(output);
    ScriptedFileSystem agreed = appearing();
    EXPECT_EQ(runHere(cli::ExportCommand, {"--yes", "-o", output.native(), mail.native()}, agreed, err), 0);
    EXPECT_TRUE(ReadBytes(output).starts_with(CsvField(CsvHeaderText(1)) + ","));
}

// A list may have the longest name a folder entry may have: its temporary
// name never passes that length.
TEST_F(CliCommands, ExportToTheLongestFileName) {
    const fs::path output = root / (std::string(251, 'x') + ".csv");
    EXPECT_EQ(run("export -o " + quoted(output) + " " + quoted(mail)), 0) << ReadBytes(root / "stderr");
    EXPECT_TRUE(ReadBytes(output).starts_with(CsvField(CsvHeaderText(1)) + ","));
}

// When the trash will not take the old file, strip says why, as trash does,
// not only that the message was not rewritten.
TEST_F(CliCommands, StripSaysWhyTheTrashRefused) {
    ScriptedFileSystem files;
    files.failRename = [&](const fs::path&, const fs::path& to) {
        return to.native().starts_with(trashFiles().native());
    };
    std::string err;
    EXPECT_EQ(runHere(cli::StripCommand, {"--yes", (mail / "a.eml").native()}, files, err), 1);
    EXPECT_EQ(ReadBytes(mail / "a.eml"), attached);
    const std::string why = "\"" + (mail / "a.eml").native() +
                            "\" \xE3\x82\x92\xE3\x81\x94\xE3\x81\xBF\xE7\xAE\xB1";  // "…" をごみ箱
    EXPECT_NE(err.find(why), std::string::npos) << err;
    EXPECT_NE(err.find(std::strerror(EIO)), std::string::npos) << err;
    EXPECT_NE(err.find("a.eml: not rewritten"), std::string::npos) << err;
    EXPECT_TRUE(!fs::exists(trashInfo()) || fs::is_empty(trashInfo())) << "no .trashinfo without its file";
}

// strip on a symbolic link says that links are not rewritten, not that the
// message had no attachments.
TEST_F(CliCommands, StripOnALinkSaysLinksAreNotRewritten) {
    fs::create_symlink(mail / "a.eml", root / "link.eml");
    EXPECT_EQ(run("strip --yes " + quoted(root / "link.eml")), 1);
    const std::string err = ReadBytes(root / "stderr");
    EXPECT_NE(err.find("\xE3\x82\xB7\xE3\x83\xB3\xE3\x83\x9C\xE3\x83\xAA\xE3\x83\x83\xE3\x82\xAF"),
              std::string::npos)
        << err;  // シンボリック
    EXPECT_EQ(err.find("\xE3\x81\xAF\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93\xE3\x81\xA7"
                       "\xE3\x81\x97\xE3\x81\x9F"),
              std::string::npos)
        << err;  // (添付ファイル)はありませんでした
    EXPECT_TRUE(fs::is_symlink(root / "link.eml"));
    EXPECT_EQ(ReadBytes(mail / "a.eml"), attached);
}

}  // namespace
}  // namespace pelmora::test
