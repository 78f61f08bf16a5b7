// SPDX-License-Identifier: MIT
// The reader over the example folder, with exact expectations (every file
// of it and of the shared corpus is read in the search tests, in both modes).
#include <gtest/gtest.h>

#include <map>

#include "decode/japanese.h"
#include "message_test_support.h"

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;

const fs::path ExamplesDir = fs::path(PELMORA_SOURCE_DIR) / "examples" / "mail";

class Examples : public testing::Test {
protected:
    Reading read(const char* name, ReaderOptions options = {}) {
        return ReadOne(ExamplesDir / name, options);
    }
    static std::string cp932(std::string_view utf8) { return Utf8ToAnsi(utf8); }

    ScopedTimeZone m_tz{TokyoTz};
};

TEST_F(Examples, IsoEncodedWords) {
    const Reading r = read("01-meeting-request.eml");
    EXPECT_EQ(Hex(r.entry.From), Hex(cp932("山田 太郎")));
    EXPECT_EQ(Hex(r.entry.To), Hex(cp932("佐藤 花子")));
    EXPECT_EQ(Hex(r.entry.Subject), Hex(cp932("定例会議の日程について")));
    EXPECT_EQ(r.entry.SentDateText, "2024/05/13 09:12");
    EXPECT_EQ(r.entry.RecvDateText, "2024/05/13 09:12");
}

TEST_F(Examples, RawJisSenderWithParenthesesAndColonBytes) {
    const Reading r = read("03-raw-jis-sender.eml");
    EXPECT_NE(r.entry.FromRaw.view().find("\x1B$B9)F#\x1B(B \x1B$B9(0lO:\x1B(B"), std::string::npos);
    EXPECT_EQ(Hex(r.entry.From), Hex(cp932("工藤 宏一郎")));
    EXPECT_EQ(Hex(r.entry.To), Hex(cp932("営業部 山田様")));
    EXPECT_EQ(Hex(r.entry.Subject), Hex(cp932("お見積りのご依頼")));
}

TEST_F(Examples, ShiftJisWordAndCodePage932Characters) {
    EXPECT_EQ(Hex(read("04-sjis-quotation.eml").entry.Subject), Hex(cp932("【お見積り】ボルト・ナット ①②")));
    const Reading r = read("05-utf8-cp932-only.eml");
    EXPECT_EQ(Hex(r.entry.Subject), Hex(cp932("①出荷予定のお知らせ ㈱ひかり物流")));
    // The parenthesised part of the name wins, as for any comment.
    EXPECT_EQ(Hex(r.entry.From), Hex(cp932("㈱ひかり物流")));
}

TEST_F(Examples, EmojiBecomesAQuestionMark) {
    EXPECT_EQ(Hex(read("06-utf8-emoji-b.eml").entry.Subject),
              Hex(cp932("? 新規受注のお知らせ（さくら製作所様）")));
    EXPECT_EQ(Hex(read("07-utf8-emoji-q.eml").entry.Subject), Hex(cp932("Re: 新規受注 ? おめでとう")));
}

TEST_F(Examples, AttachmentFlags) {
    const std::map<std::string, bool> expected = {
        {"09-order-sheet-attached.eml", true},      {"10-two-attachments.eml", true},
        {"11-mixed-without-attachment.eml", false}, {"12-newsletter-alternative.eml", false},
        {"13-delivery-failure.eml", true},          {"01-meeting-request.eml", false}};
    for (const auto& [name, hasAttach] : expected)
        EXPECT_EQ(read(name.c_str()).entry.HasAttach, hasAttach) << name;
    EXPECT_EQ(read("09-order-sheet-attached.eml").entry.Boundary, "----=_Part_0521_1001");
    EXPECT_EQ(read("10-two-attachments.eml").entry.Boundary, "b2_mixed_0522");
}

TEST_F(Examples, CopiesShareTheirHash) {
    EXPECT_EQ(read("14-delivery-change.eml").entry.DupHash,
              read("15-delivery-change-copy.eml").entry.DupHash);
    const std::int64_t outage = read("16-power-outage.eml").entry.DupHash;
    EXPECT_EQ(read("17-power-outage-2.eml").entry.DupHash, outage);
    EXPECT_EQ(read("18-power-outage-3.eml").entry.DupHash, outage);
    EXPECT_NE(read("14-delivery-change.eml").entry.DupHash, outage);
    EXPECT_NE(read("01-meeting-request.eml").entry.DupHash,
              read("32-resent-with-new-subject.eml").entry.DupHash);
    ReaderOptions idOnly;
    idOnly.DupCheckHeaders = false;
    EXPECT_EQ(read("01-meeting-request.eml", idOnly).entry.DupHash,
              read("32-resent-with-new-subject.eml", idOnly).entry.DupHash);
}

TEST_F(Examples, MissingHeaders) {
    EXPECT_EQ(read("19-no-message-id.eml").entry.MessageId, "");
    const Reading r = read("20-no-from-to-subject.eml");
    EXPECT_EQ(Hex(r.entry.From), Hex(cp932("（不明）")));
    EXPECT_EQ(Hex(r.entry.To), Hex(cp932("（不明）")));
    EXPECT_EQ(Hex(r.entry.Subject), Hex(cp932("（件名なし）")));
    EXPECT_EQ(r.entry.RecvDate, r.entry.FileDate);
}

TEST_F(Examples, OddDates) {
    EXPECT_EQ(read("21-date-two-digit-year.eml").entry.SentDateText, "2024/06/03 06:30");
    EXPECT_EQ(read("22-date-no-zone.eml").entry.SentDateText, "2024/06/04 23:20");
    EXPECT_EQ(read("23-date-named-zone.eml").entry.SentDateText, "2024/06/05 17:15");
    EXPECT_EQ(read("24-date-month-first.eml").entry.SentDateText, "2024/06/06 19:45");
    const Reading ancient = read("30-ancient-date.eml");
    EXPECT_EQ(ancient.entry.SentDateText, "1980/01/01 00:00");
    EXPECT_EQ(ancient.entry.RecvDateText, "2024/06/13 04:00");
}

TEST_F(Examples, NewsArticles) {
    EXPECT_EQ(read("25-newsgroup-article.nws").entry.IconIndex, 1);
    const Reading empty = read("26-empty-article.nws");
    EXPECT_EQ(empty.entry.IconIndex, 0);
    EXPECT_TRUE(empty.entry.Matched);
}

TEST_F(Examples, FoldedHeaders) {
    const Reading r = read("27-folded-headers.eml");
    EXPECT_EQ(Hex(r.entry.To),
              Hex(cp932("佐藤 花子; 田中 美咲; 鈴木 一郎; takahashi@sakura-seisakusho.example.com")));
    EXPECT_EQ(Hex(r.entry.Subject),
              Hex(cp932("【ご案内】2024年度 上期 取引先説明会の開催について（会場・日程・お申込み方法）")));
    EXPECT_EQ(r.entry.SentDateText, "2024/06/10 10:09");
    EXPECT_EQ(r.entry.MessageId, "<briefing.0610@midori-shoji.example.jp>");
    EXPECT_EQ(r.entry.RecvDateText, "2024/06/10 10:10");
}

TEST_F(Examples, CommentsAndLfLineEnds) {
    const Reading r = read("29-lf-only-line-ends.eml");
    EXPECT_EQ(Hex(r.entry.From), Hex(cp932("田中 美咲")));
    EXPECT_EQ(Hex(r.entry.To), Hex(cp932("山田; sato@midori-shoji.example.jp")));
    EXPECT_EQ(Hex(read("31-q-word-and-halfwidth-kana.eml").entry.From), Hex(cp932("オンライン")));
}

}  // namespace
}  // namespace pelmora::test
