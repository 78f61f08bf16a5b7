// SPDX-License-Identifier: MIT
#include <chrono>
#include <thread>
#include <utility>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "op_fixture.h"
#include "operations/recycle.h"
#include "platform/trash.h"
#include "support/fake_shell.h"

namespace fs = std::filesystem;

namespace pelmora::test {
namespace {

class DeleteTest : public MailFolderTest {
protected:
    void SetUp() override {
        MailFolderTest::SetUp();
        for (const char* name : {"a.eml", "b.eml", "c.eml", "d.eml"})
            addMessage(name,
                       std::string("Subject: ") + name + "\r\nMessage-ID: <" + name + ">\r\n\r\nbody\r\n");
        load();
        shell.trashImpl = RealTrash();
    }
    void select(std::initializer_list<const char*> names) {
        for (const char* n : names) view.setSelected(rowOf(n), true);
    }
    std::vector<std::string> listedNames() const {
        std::vector<std::string> names;
        for (const auto& e : list) names.push_back(fs::path(e->FileName).filename());
        return names;
    }

    FakeShell shell;
};

TEST_F(DeleteTest, SelectedFilesGoToTheTrashAndLeaveTheList) {
    select({"a.eml", "c.eml", "d.eml"});
    ProcMessageDelete1Click(view, status, list, prompts, shell);

    // One question for the three files, then the files one by one without one.
    EXPECT_EQ(shell.questions, std::vector<std::size_t>{3});
    EXPECT_EQ(shell.handedPaths(), (std::vector<fs::path>{mail / "a.eml", mail / "c.eml", mail / "d.eml"}));
    for (const auto& call : shell.trashCalls)
        EXPECT_EQ(call.confirmation, ports::TrashConfirmation::DoNotAsk);
    EXPECT_EQ(listedNames(), std::vector<std::string>{"b.eml"});
    EXPECT_EQ(view.rows, 1);
    EXPECT_TRUE(view.selection.empty());
    EXPECT_EQ(view.updateDepth, 0);
    EXPECT_EQ(status.panels[0], "1" + Utf8ToAnsi(" 通のメッセージ"));
    EXPECT_EQ(status.panels[1], "");
    EXPECT_TRUE(fs::exists(mail / "b.eml"));
    EXPECT_FALSE(fs::exists(mail / "a.eml"));
    EXPECT_TRUE(fs::exists(trashFiles() / "c.eml"));
    EXPECT_TRUE(fs::exists(trashInfo() / "d.eml.trashinfo"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(DeleteTest, VanishedFileIsNotHandedOverAndStaysListed) {
    select({"a.eml", "b.eml"});
    fs::remove(mail / "b.eml");
    ProcMessageDelete1Click(view, status, list, prompts, shell);

    EXPECT_EQ(shell.questions, std::vector<std::size_t>{1});
    EXPECT_EQ(shell.handedPaths(), std::vector<fs::path>{mail / "a.eml"});
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"b.eml", "c.eml", "d.eml"}));
    EXPECT_TRUE(view.isSelected(0));  // b.eml keeps its selection at its new row
    EXPECT_EQ(view.selectedCount(), 1);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(status.panels[0], "3" + Utf8ToAnsi(" 通のメッセージ"));
}

TEST_F(DeleteTest, RefusalLeavesListSelectionAndFilesAsTheyWere) {
    select({"b.eml", "c.eml"});
    shell.refuseConfirmation = true;
    ProcMessageDelete1Click(view, status, list, prompts, shell);

    EXPECT_EQ(listedNames(), (std::vector<std::string>{"a.eml", "b.eml", "c.eml", "d.eml"}));
    EXPECT_EQ(view.selectedRows(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(fs::exists(mail / "b.eml"));
    EXPECT_EQ(trashCount(), 0u);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(list[1]->DeleteMark);
    EXPECT_EQ(status.panels[0], "4" + Utf8ToAnsi(" 通のメッセージ"));
    EXPECT_EQ(status.panels[1], "");
}

TEST_F(DeleteTest, FailuresStayListedAndAreReportedInOneMessage) {
    select({"a.eml", "b.eml", "c.eml"});
    shell.failPaths = {mail / "a.eml", mail / "c.eml"};
    ProcMessageDelete1Click(view, status, list, prompts, shell);

    EXPECT_EQ(listedNames(), (std::vector<std::string>{"a.eml", "c.eml", "d.eml"}));
    EXPECT_EQ(view.selectedRows(), (std::vector<int>{0, 1}));
    EXPECT_FALSE(fs::exists(mail / "b.eml"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    const std::string& message = prompts.shown[0];
    EXPECT_TRUE(message.starts_with("warning:")) << message;
    EXPECT_NE(message.find((mail / "a.eml").native()), std::string::npos);
    EXPECT_NE(message.find((mail / "c.eml").native()), std::string::npos);
    EXPECT_EQ(message.find((mail / "b.eml").native()), std::string::npos);
}

TEST_F(DeleteTest, NothingSelectedAsksNothing) {
    ProcMessageDelete1Click(view, status, list, prompts, shell);
    EXPECT_TRUE(shell.questions.empty());
    EXPECT_TRUE(shell.trashCalls.empty());
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(status.panels[0], "4" + Utf8ToAnsi(" 通のメッセージ"));
}

// A file written to or replaced by another message since it was listed
// (here while the question waits, as after a duplicate check) is no longer
// the message its row shows: it stays, listed and selected, and is reported;
// the others go.
TEST_F(DeleteTest, FileChangedSinceItWasListedStays) {
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"edited in place", [&] { WriteBytes(mail / "b.eml", "Subject: b.eml\r\n\r\nnew text\r\n"); }},
        {"replaced",
         [&] {
             WriteBytes(mail / "new", "Subject: another message\r\n\r\nbody\r\n");
             fs::rename(mail / "new", mail / "b.eml");
         }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        addMessage("a.eml", "Subject: a.eml\r\nMessage-ID: <a.eml>\r\n\r\nbody\r\n");
        addMessage("b.eml", "Subject: b.eml\r\nMessage-ID: <b.eml>\r\n\r\nbody\r\n");
        load();
        const std::string rowB = list[rowOf("b.eml")]->Subject;
        view.clearSelection();
        select({"a.eml", "b.eml"});
        prompts.shown.clear();
        shell.trashImpl = [&, change = change](const auto& paths, const auto& asRead) {
            change();  // the user has not answered yet
            return RealTrash()(paths, asRead);
        };
        ProcMessageDelete1Click(view, status, list, prompts, shell);

        EXPECT_FALSE(fs::exists(mail / "a.eml"));
        EXPECT_TRUE(fs::exists(mail / "b.eml"));
        EXPECT_FALSE(fs::exists(trashFiles() / "b.eml"));
        ASSERT_EQ(rowOf("b.eml"), 0);
        EXPECT_EQ(list[0]->Subject, rowB);
        EXPECT_EQ(view.selectedRows(), std::vector<int>{0});
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_NE(prompts.shown[0].find((mail / "b.eml").native()), std::string::npos);
        EXPECT_NE(Cp932ToUtf8(prompts.shown[0]).find("変更された"), std::string::npos);
        fs::remove_all(trashFiles());
        fs::remove_all(trashInfo());
    }
}

class LongDeleteTest : public DeleteTest {
protected:
    void SetUp() override {
        DeleteTest::SetUp();
        for (int i = 0; i < 146; ++i)
            addMessage("m" + std::to_string(1000 + i) + ".eml", "Subject: m\r\n\r\nx\r\n");
        load();
        view.selectAll();
    }
    std::size_t filesLeft() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(mail), {}));
    }

    FakeProgress progress;
};

TEST_F(LongDeleteTest, MoreThanAHundredFilesShowTheDialogAndAbortStopsBetweenFiles) {
    progress.abortAfterEvents = 61;  // 中断 while the 61st file is next
    ProcMessageDelete1Click(view, status, list, prompts, shell, &progress);

    EXPECT_EQ(progress.shows, 1);
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(progress.title, Utf8ToAnsi("ごみ箱に移動しています…"));
    EXPECT_EQ(progress.maximum, 150);
    EXPECT_EQ(progress.pos, 60);
    EXPECT_EQ(progress.countText, "60 / 150");
    // Sixty files went, each whole; the other ninety stay listed and selected.
    EXPECT_EQ(trashCount(), 60u);
    EXPECT_EQ(filesLeft(), 90u);
    EXPECT_EQ(list.size(), 90u);
    EXPECT_EQ(view.rows, 90);
    EXPECT_EQ(view.selectedCount(), 90);
    for (const auto& entry : list) EXPECT_TRUE(fs::exists(entry->FileName)) << entry->FileName;
    EXPECT_EQ(status.panels[0], "90" + Utf8ToAnsi(" 通のメッセージ"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(LongDeleteTest, AFewFilesLetEventsRunWithoutTheDialogUntilHalfASecondHasGone) {
    view.clearSelection();
    for (int row = 0; row < 3; ++row) view.setSelected(row, true);
    ProcMessageDelete1Click(view, status, list, prompts, shell, &progress);
    EXPECT_EQ(progress.shows, 0);
    EXPECT_EQ(progress.events, 3);
    EXPECT_EQ(list.size(), 147u);

    // A trash this slow shows the dialog for the files after the first.
    view.clearSelection();
    for (int row = 0; row < 3; ++row) view.setSelected(row, true);
    shell.trashImpl = [first = true](const auto& paths, const auto& asRead) mutable {
        if (std::exchange(first, false)) std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return RealTrash()(paths, asRead);
    };
    ProcMessageDelete1Click(view, status, list, prompts, shell, &progress);
    EXPECT_EQ(progress.shows, 1);
    EXPECT_EQ(list.size(), 144u);
}

}  // namespace
}  // namespace pelmora::test
