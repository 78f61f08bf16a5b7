// SPDX-License-Identifier: MIT
#include "operations/open_edit.h"

#include "decode/japanese.h"
#include "op_fixture.h"
#include "support/fake_shell.h"

namespace fs = std::filesystem;

namespace pelmora::test {
namespace {

std::string cp(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

class OpenEdit : public MailFolderTest {
protected:
    void SetUp() override {
        MailFolderTest::SetUp();
        addMessage("a.eml", "Subject: a\r\n\r\n");
        addMessage("b.eml", "Subject: b\r\n\r\n");
        load();
    }
    FakeShell shell;
};

TEST_F(OpenEdit, OpenHandsTheOneSelectedFileToTheShell) {
    view.setSelected(1, true);
    ProcMessageOpen1Click(view, list, prompts, shell);
    EXPECT_EQ(shell.opened, std::vector<fs::path>{mail / "b.eml"});
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(OpenEdit, TwoSelectedRowsDoNothing) {
    view.selectAll();
    ProcMessageOpen1Click(view, list, prompts, shell);
    ProcMessageEdit1Click(view, list, prompts, shell, "mousepad");
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(shell.started.empty());
}

TEST_F(OpenEdit, VanishedFileIsIgnoredSilently) {
    view.setSelected(0, true);
    fs::remove(mail / "a.eml");
    shell.openSucceeds = false;
    ProcMessageOpen1Click(view, list, prompts, shell);
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(OpenEdit, OpenFailureNamesTheFile) {
    view.setSelected(0, true);
    shell.openSucceeds = false;
    ProcMessageOpen1Click(view, list, prompts, shell);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "warning:\"" + (mail / "a.eml").native() + "\"" +
                                    cp(" を開けませんでした。") + "\r\r" +
                                    cp("使用中でないか、関連付けが正しいか確認して下さい。"));
}

TEST_F(OpenEdit, EditorGetsTheFileAsItsOnlyArgument) {
    view.setSelected(0, true);
    ProcMessageEdit1Click(view, list, prompts, shell, "/opt/my editor/edit");
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(shell.started[0].program, "/opt/my editor/edit");
    EXPECT_EQ(shell.started[0].file, mail / "a.eml");
}

TEST_F(OpenEdit, EditorFailureNamesFileAndEditor) {
    view.setSelected(0, true);
    shell.startSucceeds = false;
    ProcMessageEdit1Click(view, list, prompts, shell, "NotePad.exe");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "warning:\"" + (mail / "a.eml").native() + "\"" + cp(" を") + "\r" +
                                    cp("エディタ \"NotePad.exe\" で開けませんでした。") + "\r\r" +
                                    cp("使用中でないか、エディタの指定が正しいか確認して下さい。"));
}

}  // namespace
}  // namespace pelmora::test
