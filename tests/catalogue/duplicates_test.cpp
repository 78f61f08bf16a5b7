// SPDX-License-Identifier: MIT
#include "catalogue/duplicates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "catalogue/disposal.h"
#include "catalogue/ordering.h"
#include "catalogue_test_support.h"
#include "support/files.h"

namespace pelmora {
namespace {

using test::ItemFields;
using test::MakeItem;
using test::Senders;
using test::Sjis;
using Strings = std::vector<std::string>;

class DupcheckTest : public testing::Test {
protected:
    void add(std::string from, std::string id, std::int64_t hash, std::string subject = "s") {
        list.push_back(MakeItem({.from = from, .subject = subject, .messageId = id, .dupHash = hash}));
        view.rows = static_cast<int>(list.size());
    }
    void run(bool searchWindow = false) {
        // The search window gives no caption port, the main window one.
        DupcheckPorts ports{view,
                            status,
                            cursor,
                            &prompts,
                            searchWindow ? std::function<void()>() : [this] { ++captionCalls; },
                            keepRule,
                            [this](const std::string& counts) { groupCounts = counts; }};
        ProcDupcheck1Click(ports, list);
    }
    std::vector<std::string> selectedSenders() const {
        std::vector<std::string> out;
        for (int row : view.selection) out.push_back(list[row]->From);
        return out;
    }

    test::FakeListView view{{1, 6, 2, 7, 3, 4}, -2};  // by subject, descending
    test::FakeStatusBar status;
    test::FakeBusyCursor cursor;
    test::FakePrompts prompts;
    MsgList list;
    int captionCalls = 0;
    DupKeeper keepRule{};
    std::string groupCounts = "unset";
};

TEST_F(DupcheckTest, TwoCopiesStayWithOneSelected) {
    add("a1", "<a>", 7);
    add("single", "<b>", 8);
    add("a2", "<a>", 7);
    run();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(view.rows, 2);
    EXPECT_EQ(view.selection.size(), 1u);
    EXPECT_EQ(status.panels[1], Sjis("2 通のメッセージが重複しています。"));
    EXPECT_EQ(captionCalls, 1);
    EXPECT_EQ(view.focusTaken, 1);
    EXPECT_EQ(cursor.depth, 0);
    EXPECT_EQ(cursor.pushes, 1);
    EXPECT_EQ(view.updateDepth, 0);
}

TEST_F(DupcheckTest, ThreeCopiesTwoSelectedAndGroupsKeptApart) {
    add("x1", "<x>", -3);
    add("y1", "<y>", 4);
    add("x2", "<x>", -3);
    add("x3", "<x>", -3);
    add("y2", "<y>", 4);
    run();
    EXPECT_EQ(list.size(), 5u);
    EXPECT_EQ(view.selection.size(), 3u);  // two of x, one of y
    int selectedX = 0;
    for (const auto& s : selectedSenders()) selectedX += s[0] == 'x';
    EXPECT_EQ(selectedX, 2);
    EXPECT_EQ(status.panels[1], Sjis("5 通のメッセージが重複しています。"));
    EXPECT_EQ(groupCounts, Sjis("2 組、5 通の重複（3 通を選択）"));
    // Each entry knows its group and whether it is the one kept: one kept
    // per group, the unselected one.
    std::map<std::int32_t, std::string> kept;
    std::map<std::int32_t, int> sizes;
    for (const auto& e : list) {
        ASSERT_GT(e->DupGroup, 0);
        ++sizes[e->DupGroup];
        EXPECT_EQ(e->DupKept, !e->SelMark);
        if (e->DupKept) {
            EXPECT_TRUE(kept.emplace(e->DupGroup, e->From).second);
        }
    }
    EXPECT_EQ(sizes.size(), 2u);
    EXPECT_EQ(kept.size(), 2u);
    for (const auto& e : list) EXPECT_EQ(e->From[0], kept[e->DupGroup][0]) << "one group per message";
}

TEST_F(DupcheckTest, MessagesWithoutIdAreNeverDuplicates) {
    add("n1", "", 1);
    add("n2", "", 1);
    add("n3", "", 1);
    run();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(view.rows, 0);
    EXPECT_EQ(status.panels[1], Sjis("重複するメッセージはありません。"));
    EXPECT_EQ(groupCounts, "");
}

TEST_F(DupcheckTest, EntryWithoutIdBetweenCopiesDoesNotBreakTheGroup) {
    add("c1", "<c>", 2);
    add("noid", "", 2);  // same hash, no Message-ID (DupCheckHeaders off gives such cases)
    add("c2", "<c>", 2);
    run();
    EXPECT_EQ(Senders(list).size(), 2u);
    for (const auto& e : list) EXPECT_NE(e->From, "noid");
    EXPECT_EQ(view.selection.size(), 1u);
}

TEST_F(DupcheckTest, ResortsAscendingByThePreviousKeyWithItsMark) {
    add("b", "<m>", 5, "zz");
    add("a", "<m>", 5, "aa");
    add("c", "<n>", 6, "mm");
    add("d", "<n>", 6, "bb");
    run();
    EXPECT_EQ(view.key, 2);
    EXPECT_EQ(Senders(list), (Strings{"a", "d", "c", "b"}));
    EXPECT_EQ(view.captions[2], Sjis("件名 ＋"));
    // The selection follows the entries through the re-sort.
    for (int row = 0; row < 4; ++row) EXPECT_EQ(view.isSelected(row), list[row]->SelMark);
    EXPECT_EQ(view.selection.size(), 2u);
}

TEST_F(DupcheckTest, PreviousMarksDecideWhichCopyStaysUnselected) {
    add("first", "<m>", 5);
    add("second", "<m>", 5);
    list[0]->SelMark = true;  // selected before: sorts after its twin
    run();
    EXPECT_EQ(selectedSenders(), (Strings{"first"}));
}

// Three copies in three folders, told apart by arrival, size and folder:
// each rule keeps the one it names and selects the other two, and the
// previous selection still outranks the rule.
TEST_F(DupcheckTest, KeeperRuleNamesTheCopyThatStaysUnselected) {
    struct Case {
        const char* keep;
        const char* kept;
    };
    const Case cases[] = {
        {"oldest", "inbox"},
        {"newest", "backup"},
        {"largest", "export"},
        {"under:/mail/export", "export"},
        {"under:/mail/export/", "export"},
        {"under:/mail/none", "inbox"},
        {"under:/mail/back", "inbox"},  // a name prefix is no folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keep);
        list.clear();
        // The newest arrives first in hash order: the former "first copy" rule kept it.
        list.push_back(MakeItem({.from = "backup",
                                 .recv = 40003.0,
                                 .size = 100,
                                 .folderPath = "/mail/backup",
                                 .messageId = "<k>",
                                 .dupHash = 9}));
        list.push_back(MakeItem({.from = "export",
                                 .recv = 40002.0,
                                 .size = 300,
                                 .folderPath = "/mail/export",
                                 .messageId = "<k>",
                                 .dupHash = 9}));
        list.push_back(MakeItem({.from = "inbox",
                                 .recv = 40001.0,
                                 .size = 100,
                                 .folderPath = "/mail/inbox",
                                 .messageId = "<k>",
                                 .dupHash = 9}));
        add("single", "<s>", 10);
        view.rows = static_cast<int>(list.size());
        const std::optional<DupKeeper> keeper = ParseDupKeeper(c.keep);
        ASSERT_TRUE(keeper);
        keepRule = *keeper;
        run();
        ASSERT_EQ(list.size(), 3u);
        std::vector<std::string> unselected;
        for (int row = 0; row < 3; ++row)
            if (!view.isSelected(row)) unselected.push_back(list[row]->From);
        EXPECT_EQ(unselected, (Strings{c.kept}));
        EXPECT_EQ(DupKeeperText(*keeper),
                  c.keep == std::string("under:/mail/export/") ? "under:/mail/export" : std::string(c.keep));
    }
    // Marked before: only the unmarked copy is a candidate, whatever the rule says.
    keepRule = DupKeeper{KeepRule::Oldest, {}};
    for (auto& e : list) e->SelMark = e->From != "backup";
    run();
    EXPECT_EQ(selectedSenders().size(), 2u);
    for (const auto& e : list) EXPECT_EQ(e->SelMark, e->From != "backup");

    for (const char* bad : {"", "first", "under:", "Oldest", "largest "})
        EXPECT_FALSE(ParseDupKeeper(bad)) << bad;
}

TEST_F(DupcheckTest, RunningAgainGivesTheSameGroups) {
    add("p1", "<p>", 1);
    add("p2", "<p>", 1);
    add("q", "<q>", 2);
    run();
    auto before = selectedSenders();
    run();
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(selectedSenders(), before);
}

TEST_F(DupcheckTest, WithoutCaptionPortTheFolderCaptionIsLeftAlone) {
    add("p1", "<p>", 1);
    add("p2", "<p>", 1);
    run(true);
    EXPECT_EQ(captionCalls, 0);
    EXPECT_EQ(DuplicateCaptionSuffix(), Sjis(" の重複メッセージ"));
}

// Entries that are the same file (a symbolic link to another entry, a
// second hard link) are one message: alone they are no duplicate, so
// trashing "the copy" can no longer leave a dangling link; beside a true
// copy they share the file's mark, so the file goes with its links or stays
// with them.
TEST_F(DupcheckTest, EntriesThatAreTheSameFileCountOnce) {
    namespace fs = std::filesystem;
    const test::ScratchFolder scratch("pelmora-dups");
    const fs::path& folder = scratch.path();
    ASSERT_FALSE(folder.empty());
    auto file = [&](const std::string& name, const std::string& sender) {
        std::ofstream(folder / name) << "x";
        add(sender, "<a>", 7);
        list.back()->FileName = (folder / name).native();
    };
    auto link = [&](const std::string& name, const std::string& target, const std::string& sender) {
        fs::create_symlink(folder / target, folder / name);
        add(sender, "<a>", 7);
        list.back()->FileName = (folder / name).native();
    };
    file("zz-real.eml", "real");
    link("aa-link.eml", "zz-real.eml", "link");
    fs::create_hard_link(folder / "zz-real.eml", folder / "hard.eml");
    add("hard", "<a>", 7);
    list.back()->FileName = (folder / "hard.eml").native();
    run();
    EXPECT_TRUE(list.empty()) << "one file under three names is no duplicate";

    list.clear();
    fs::remove(folder / "aa-link.eml");
    fs::remove(folder / "hard.eml");
    file("zz-real.eml", "real");
    link("aa-link.eml", "zz-real.eml", "link");
    file("copy.eml", "copy");
    run();
    ASSERT_EQ(list.size(), 3u);
    std::map<std::string, bool> selected;
    for (const auto& entry : list) selected[entry->From] = entry->SelMark;
    for (int row : view.selection) EXPECT_TRUE(list[row]->SelMark);
    EXPECT_EQ(view.selection.size(),
              static_cast<std::size_t>(
                  std::count_if(list.begin(), list.end(), [](const auto& e) { return e->SelMark; })));
    EXPECT_EQ(selected["link"], selected["real"]) << "a link goes with its file";
    EXPECT_NE(selected["copy"], selected["real"]) << "one of the two files stays";
}

TEST(DupcheckLarge, HundredThousandRowsReduceInOnePass) {
    test::FakeListView view;
    test::FakeStatusBar status;
    test::FakeBusyCursor cursor;
    MsgList list;
    for (int i = 0; i < 100000; ++i)
        list.push_back(MakeItem({.messageId = "<id>", .dupHash = i % 50000 == 0 ? 0 : i}));
    view.rows = 100000;
    DupcheckPorts ports{view, status, cursor, nullptr, {}};
    ProcDupcheck1Click(ports, list);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(view.selection.size(), 1u);
    // The rows let go are freed on another thread; under the sanitizers a
    // row freed twice, too soon or never is reported.
    WaitForBackgroundFrees();
    MsgList more;
    for (int i = 0; i < 5000; ++i) more.push_back(MakeItem({.messageId = "<m>"}));
    FreeInBackground(more);
    EXPECT_TRUE(more.empty());
}

}  // namespace
}  // namespace pelmora
