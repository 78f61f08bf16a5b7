// SPDX-License-Identifier: MIT
#include "catalogue/ordering.h"

#include <gtest/gtest.h>

#include <random>

#include "catalogue_test_support.h"

namespace pelmora {
namespace {

using test::FakeListView;
using test::ItemFields;
using test::MakeItem;
using test::Senders;
using test::Sjis;
using Strings = std::vector<std::string>;

// Columns of the main view: sender, recipients, subject, sent, received, size.
constexpr int kSenderColumn = 0, kSubjectColumn = 2, kSentColumn = 3, kSizeColumn = 5;

struct TextRow {
    const char* name;
    std::string a, b;
    int sign;
};
void PrintTo(const TextRow& row, std::ostream* out) {
    *out << row.name;
}

class CompareTextTest : public testing::TestWithParam<TextRow> {};

TEST_P(CompareTextTest, FoldsOnlyAsciiLetters) {
    int r = CompareText(GetParam().a, GetParam().b);
    EXPECT_EQ((r > 0) - (r < 0), GetParam().sign);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompareTextTest,
    testing::Values(TextRow{"ascii_case_folded", "abc", "ABC", 0},
                    TextRow{"mixed_case_folded", "aBc", "AbC", 0},
                    TextRow{"prefix_sorts_first", "ab", "abc", -1},
                    TextRow{"bytes_unsigned", "\x7F", "\x80", -1},
                    // ａ and Ａ differ in their second byte (0x81 / 0x60): not folded.
                    TextRow{"full_width_not_folded", Sjis("ａ"), Sjis("Ａ"), 1},
                    // Second bytes are folded too: Ｂ (0x82 0x61) equals the unassigned 0x82 0x41.
                    TextRow{"second_byte_folded", "\x82\x61", "\x82\x41", 0},
                    TextRow{"letters_after_folding_bracket", "_", "a", 1}, TextRow{"empty_equal", "", "", 0}),
    [](const auto& row) { return std::string(row.param.name); });

class OrderingTest : public testing::Test {
protected:
    void add(ItemFields fields) { list.push_back(MakeItem(fields)); }
    void click(int column) { ProcLV1ColumnClick(view, column, list); }

    FakeListView view;
    MsgList list;
};

TEST_F(OrderingTest, SameHeaderTwiceFlipsWithMarksAndAnotherStartsAscending) {
    add({.from = "b", .subject = "x"});
    add({.from = "a", .subject = "z"});
    add({.from = "c", .subject = "y"});
    view.rows = 3;

    click(kSenderColumn);
    EXPECT_EQ(Senders(list), (Strings{"a", "b", "c"}));
    EXPECT_EQ(view.key, 1);
    EXPECT_EQ(view.captions[kSenderColumn], Sjis("差出人 ＋"));

    click(kSenderColumn);
    EXPECT_EQ(Senders(list), (Strings{"c", "b", "a"}));
    EXPECT_EQ(view.key, -1);
    EXPECT_EQ(view.captions[kSenderColumn], Sjis("差出人 －"));

    click(kSenderColumn);
    EXPECT_EQ(view.key, 1);
    EXPECT_EQ(view.captions[kSenderColumn], Sjis("差出人 ＋"));

    click(kSubjectColumn);
    EXPECT_EQ(Senders(list), (Strings{"b", "c", "a"}));
    EXPECT_EQ(view.captions[kSenderColumn], Sjis("差出人"));
    EXPECT_EQ(view.captions[kSubjectColumn], Sjis("件名 ＋"));
    EXPECT_EQ(view.captions[1], Sjis("宛先"));
    EXPECT_EQ(view.updateDepth, 0);
}

TEST_F(OrderingTest, EqualKeysPutSelectedAfterUnselectedInBothDirections) {
    for (const char* name : {"p", "q", "r", "s"}) add({.from = name, .size = 10});
    view.rows = 4;
    view.selection = {0, 2};  // p and r
    click(kSizeColumn);
    EXPECT_EQ(view.key, 4);
    EXPECT_FALSE(list[0]->SelMark);
    EXPECT_FALSE(list[1]->SelMark);
    EXPECT_TRUE(list[2]->SelMark);
    EXPECT_TRUE(list[3]->SelMark);
    EXPECT_EQ(view.selection, (std::set<int>{2, 3}));

    click(kSizeColumn);  // descending: marked entries still come last
    EXPECT_EQ(view.key, -4);
    EXPECT_FALSE(list[0]->SelMark);
    EXPECT_FALSE(list[1]->SelMark);
    EXPECT_EQ(view.selection, (std::set<int>{2, 3}));
}

TEST_F(OrderingTest, SelectionFollowsEntriesAndFirstIsScrolledIntoView) {
    add({.from = "d", .size = 1});
    add({.from = "c", .size = 2});
    add({.from = "b", .size = 3});
    add({.from = "a", .size = 4});
    view.rows = 4;
    view.selection = {0, 1};  // d and c
    view.focus = 0;
    click(kSenderColumn);
    EXPECT_EQ(Senders(list), (Strings{"a", "b", "c", "d"}));
    EXPECT_EQ(view.selection, (std::set<int>{2, 3}));
    EXPECT_EQ(view.scrolledTo.back(), 2);
    EXPECT_EQ(view.focus, -1);
}

TEST_F(OrderingTest, ResortIsAscendingWhateverTheSignOfTheKey) {
    add({.from = "old", .sent = 30000.5});
    add({.from = "new", .sent = 40000.25});
    add({.from = "mid", .sent = 35000.0});
    view.rows = 3;
    ResortList(view, -7, list);
    EXPECT_EQ(view.key, 7);
    EXPECT_EQ(Senders(list), (Strings{"old", "mid", "new"}));
    EXPECT_EQ(view.captions[kSentColumn], Sjis("送信日時 ＋"));
}

TEST_F(OrderingTest, DatesCompareToTheMillisecond) {
    const double ms = 1.0 / 86400000.0;
    add({.from = "later", .recv = 40000.5 + 2 * ms});
    add({.from = "earlier", .recv = 40000.5 + ms});
    add({.from = "same_ms", .recv = 40000.5 + 1.2 * ms});  // rounds to the same millisecond as "earlier"
    ResortList(view, 3, list);
    EXPECT_EQ(list.back()->From, "later");
    EXPECT_EQ(CompareMsgItemsByKey(*list[0], *list[1], 3), 0);
}

TEST(FolderOrder, ComparesFullPathsNotTheShownName) {
    FakeListView search({1, 6, 2, 7, 3, 4, 5});
    MsgList list;
    list.push_back(MakeItem({.from = "1", .folderPath = "/b/inbox"}));
    list.push_back(MakeItem({.from = "2", .folderPath = "/a/zeta"}));
    ProcLV1ColumnClick(search, 6, list);
    // By shown name "inbox" < "zeta"; by path "/a/zeta" < "/b/inbox".
    EXPECT_EQ(Senders(list), (Strings{"2", "1"}));
    EXPECT_EQ(search.captions[6], Sjis("フォルダ名 ＋"));
}

TEST(DupHashOrder, IsSignedAndNeverReversed) {
    FakeListView view;
    MsgList list;
    list.push_back(MakeItem({.from = "pos", .dupHash = 5}));
    list.push_back(MakeItem({.from = "neg", .dupHash = -5}));
    SortMsgList(list, -100);
    EXPECT_EQ(Senders(list), (Strings{"neg", "pos"}));
}

// The fast sort must give an order the plain comparison agrees with, for
// texts that tie on their first eight bytes, differ only in length or case,
// are empty or NUL bytes (which pad the eight-byte prefix), or repeat; for every key and both directions.
TEST(SortMsgList, AgreesWithCompareMsgItemsOnTrickyTexts) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {
        "",  "a",        "A",        "abcdefgh",  "ABCDEFGH",  "abcdefghi",          "abcdefgh\x01",
        "z", "\x82\x61", "\x82\x41", "abcdefghZ", "abcdefghz", std::string(1, '\0'), std::string(9, '\0')};
    for (int key : {1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6, 7, -7, 100, -100}) {
        MsgList list;
        for (int i = 0; i < 300; ++i) {
            auto e = MakeItem({.from = pieces[random() % pieces.size()] + pieces[random() % pieces.size()],
                               .subject = pieces[random() % pieces.size()],
                               .recv = 40000.0 + static_cast<double>(random() % 5) / 7.0,
                               .size = static_cast<std::int64_t>(random() % 4) - 1,
                               .dupHash = static_cast<std::int64_t>(random() % 3) - 1});
            e->SelMark = random() % 3 == 0;
            list.push_back(std::move(e));
        }
        SortMsgList(list, key);
        for (std::size_t i = 1; i < list.size(); ++i)
            ASSERT_LE(CompareMsgItemsByKey(*list[i - 1], *list[i], key), 0) << "key " << key << " at " << i;
    }
}

TEST(SortMsgList, UnknownKeyIsAnInternalErrorReportedOncePerSort) {
    test::FakePrompts prompts;
    MsgList list;
    for (const char* from : {"b", "a", "c"}) list.push_back(MakeItem({.from = from}));
    SortMsgList(list, -8, &prompts);  // reported once per sort, not per comparison
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "info:" + Sjis("内部エラー Sortの項目不正:-8"));
    EXPECT_EQ(CompareMsgItemsByKey(*list[0], *list[1], 9), 0);  // compares as equal
}

TEST(CellFor, SenderHasLeadingBlankAndIconSizeHasAttachmentMark) {
    auto e = MakeItem({.from = "Taro", .folderPath = "/mail/受信"});
    e->IconIndex = 2;
    e->SizeKB = "2";
    e->HasAttach = true;
    EXPECT_EQ(CellFor(*e, 1).text, " Taro");
    EXPECT_EQ(CellFor(*e, 1).image, 2);
    EXPECT_EQ(CellFor(*e, 4).text, "2KB");
    EXPECT_EQ(CellFor(*e, 4).image, 3);
    EXPECT_EQ(CellFor(*e, 5).text, Sjis("受信"));  // the folder name as display text
    e->HasAttach = false;
    EXPECT_EQ(CellFor(*e, 4).image, -1);
}

class TypeAheadTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"yamada", "Suzuki", "YAGI", "tanaka", "Yano"})
            list.push_back(MakeItem({.from = name, .subject = std::string("re ") + name}));
        view.rows = 5;
    }
    int find(int start, std::string_view text, FindKind kind = FindKind::PartialString) {
        return ProcLV1DataFind(kind, view, list, start, text);
    }
    FakeListView view;  // sorted by received date: type-ahead uses the sender
    MsgList list;
};

TEST_F(TypeAheadTest, FindsNextSenderIgnoringAsciiCaseAndWraps) {
    EXPECT_EQ(find(0, "ya"), 0);
    EXPECT_EQ(find(1, "ya"), 2);
    EXPECT_EQ(find(3, "ya"), 4);
    EXPECT_EQ(find(3, "yam"), 0);  // wraps to the top
    EXPECT_EQ(find(1, "zz"), -1);
    EXPECT_EQ(find(2, "YaN", FindKind::ExactString), 4);
}

TEST_F(TypeAheadTest, EmptyTextFindsNothingAndOtherRequestsGetTheStart) {
    EXPECT_EQ(find(2, ""), -1);
    EXPECT_EQ(find(2, "ya", FindKind::Other), 2);
    EXPECT_EQ(find(99, "ya", FindKind::Other), 0);
}

TEST_F(TypeAheadTest, LeadingBlankOfTheCellIsNotMatched) {
    EXPECT_EQ(find(0, " ya"), -1);
}

TEST_F(TypeAheadTest, UsesTheSortedTextColumn) {
    view.key = -2;
    EXPECT_EQ(find(0, "RE T"), 3);
}

TEST(SelectionCountText, GroupsTheCount) {
    EXPECT_EQ(SelectionCountText(1234), Sjis("1,234 通を選択"));
}

}  // namespace
}  // namespace pelmora
