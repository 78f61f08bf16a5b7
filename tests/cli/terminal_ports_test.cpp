// SPDX-License-Identifier: MIT
#include "cli/terminal_ports.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "catalogue/catalogue_test_support.h"
#include "catalogue/ordering.h"
#include "cli/message_table.h"

namespace pelmora::cli {
namespace {

TEST(TerminalListView, KeepsTheSelectionCountThroughChanges) {
    TerminalListView view;
    view.setRowCount(5);
    view.setSelected(1, true);
    view.setSelected(1, true);  // twice is once
    view.setSelected(4, true);
    view.setSelected(9, true);  // beyond the rows: ignored
    EXPECT_EQ(view.selectedCount(), 2);
    EXPECT_EQ(view.selectedRows(), (std::vector<int>{1, 4}));
    view.setRowCount(3);  // rows cut off lose their selection
    EXPECT_EQ(view.selectedCount(), 1);
    view.selectAll();
    EXPECT_EQ(view.selectedCount(), 3);
    view.clearSelection();
    EXPECT_EQ(view.selectedCount(), 0);
}

// $COLUMNS beyond int is clamped, not overflowed; junk is ignored.
TEST(TerminalWidth, ColumnsVariableIsClampedAndChecked) {
    if (isatty(STDOUT_FILENO)) GTEST_SKIP() << "the terminal's own width wins over $COLUMNS";
    const char* old = std::getenv("COLUMNS");
    const std::string saved = old ? old : "";
    for (const char* huge : {"2147483647", "99999999999999999999"}) {
        ::setenv("COLUMNS", huge, 1);
        EXPECT_EQ(TerminalWidth(), kWidestTable) << huge;
    }
    for (const char* junk : {"12abc", "-5", ""}) {
        ::setenv("COLUMNS", junk, 1);
        EXPECT_EQ(TerminalWidth(), 80) << junk;
    }
    ::setenv("COLUMNS", "132", 1);
    EXPECT_EQ(TerminalWidth(), 132);
    if (old)
        ::setenv("COLUMNS", saved.c_str(), 1);
    else
        ::unsetenv("COLUMNS");
}

TEST(TerminalListView, WorksWithTheColumnClickSort) {
    TerminalListView view;
    MsgList list;
    for (const char* name : {"b", "a"}) list.push_back(test::MakeItem({.from = name}));
    view.setRowCount(2);
    view.setSelected(0, true);
    ProcLV1ColumnClick(view, 0, list);
    EXPECT_EQ(list[1]->From, "b");
    EXPECT_EQ(view.selectedRows(), (std::vector<int>{1}));
    EXPECT_EQ(view.captions()[0], test::Sjis("差出人 ＋"));
}

TEST(TerminalPrompts, AssumeYesAnswersEveryQuestion) {
    TerminalPrompts prompts(AssumeYes::Yes);
    EXPECT_TRUE(prompts.confirmYesNo("?"));
    EXPECT_TRUE(prompts.confirmOkCancel("?"));
    EXPECT_EQ(prompts.confirmYesCancelYesToAll("?"), ports::Answer::YesToAll);
    EXPECT_FALSE(prompts.refusedAny());
}

TEST(TerminalPrompts, MessagesBecomeUtf8WithLineBreaks) {
    EXPECT_EQ(MessageForTerminal(test::Sjis("\"a\" を開けませんでした。\r\r確認")),
              "\"a\" を開けませんでした。\n\n確認");
}

}  // namespace
}  // namespace pelmora::cli
