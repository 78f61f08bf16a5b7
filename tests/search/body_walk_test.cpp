// SPDX-License-Identifier: MIT
#include "search/body_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/japanese.h"
#include "support/fake_ports.h"

namespace pelmora {
namespace {

std::string cp(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

// Lines of a message given as one text with "\n" line ends.
LineList linesOf(std::string_view text) {
    LineList lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

// "検索" and "語です" in ISO-2022-JP.
const std::string kJisKensaku = "\x1B$B8!:w\x1B(B";
const std::string kJisGoDesu = "\x1B$B8l$G$9\x1B(B";
// "あ" in ISO-2022-JP: its JIS bytes are the ASCII characters $ and ".
const std::string kJisA = "\x1B$B$\"\x1B(B";

class BodyWalkTest : public testing::Test {
protected:
    int search(const char* field, std::string_view message) {
        ParseSearchField(terms, cp(field));
        lines = linesOf(message);
        return SearchBody(terms, lines, entry, context);
    }
    int searchTerms(TermList list, std::string_view message) {
        terms = std::move(list);
        lines = linesOf(message);
        return SearchBody(terms, lines, entry, context);
    }

    TermList terms;
    LineList lines;
    TMsgItem entry;
    SkipState skip;
    test::FakePrompts prompts;
    test::FakeProgress progress;
    BodyWalkContext context{skip, prompts, progress};
};

TEST_F(BodyWalkTest, IsoTwentyTwoJpTermSplitAcrossTwoLines) {
    const std::string message = "Subject: x\nContent-Type: text/plain; charset=iso-2022-jp\n\nfirst line\n" +
                                kJisKensaku + "\n" + kJisGoDesu + "\nlast line\n";
    EXPECT_EQ(search("検索語", message), 5);
    EXPECT_EQ(search("検索語だ", message), 0);
}

TEST_F(BodyWalkTest, ResultIsTheLineThatSettledTheMatch) {
    const char* message = "From: a\n\nalpha\nbeta\ngamma\n";
    EXPECT_EQ(search("beta", message), 3);
    EXPECT_EQ(search("alpha gamma", message), 4);
    EXPECT_EQ(search("delta", message), 0);
}

TEST_F(BodyWalkTest, WordsOnDifferentLinesCountTogether) {
    EXPECT_NE(search("alpha gamma", "From: a\n\nalpha\nbeta\ngamma\n"), 0);
}

TEST_F(BodyWalkTest, ExcludedTermOnTheLastLineFails) {
    const char* message = "From: a\n\nalpha beta\nmiddle\nthe end has spam\n";
    EXPECT_EQ(search("alpha beta -spam", message), 0);
    // With the excluded term absent the match is settled only at the end.
    EXPECT_EQ(search("alpha beta -eggs", message), 4);
}

TEST_F(BodyWalkTest, HeaderIsNotSearched) {
    EXPECT_EQ(search("secret", "Subject: secret\n\nbody\n"), 0);
}

TEST_F(BodyWalkTest, NoEmptyLineAfterTheHeaderGivesNoMatch) {
    EXPECT_EQ(search("body", "Subject: x\nbody\n"), 0);
}

TEST_F(BodyWalkTest, FirstAlternativeOnly) {
    const char* message =
        "Content-Type: multipart/alternative; boundary=\"alt\"\n"
        "\n"
        "preamble htmlonly\n"
        "--alt\n"
        "Content-Type: text/plain; charset=us-ascii\n"
        "\n"
        "plain words\n"
        "--alt\n"
        "Content-Type: text/html; charset=us-ascii\n"
        "\n"
        "<p>htmlonly</p>\n"
        "--alt--\n";
    EXPECT_EQ(search("plain", message), 6);
    EXPECT_EQ(search("htmlonly", message), 0);
}

// A delimiter is the boundary with at most "--" and padding after it: a
// padded first delimiter opens the part, a longer boundary does not end it.
TEST_F(BodyWalkTest, DelimitersAreWholeBoundaries) {
    const char* message =
        "Content-Type: multipart/mixed; boundary=\"abc\"\n"
        "\n"
        "--abc \t\n"
        "\n"
        "text\n"
        "--abc_alt\n"
        "needle\n"
        "--abc\t\n"
        "\n"
        "attachment\n"
        "--abc--\n";
    EXPECT_EQ(search("needle", message), 6);
    EXPECT_EQ(search("attachment", message), 0);
}

TEST_F(BodyWalkTest, NestedMultipartEnteredThroughFirstParts) {
    const char* message =
        "Content-Type: multipart/mixed;\n"
        "\tboundary=\"outer\"\n"
        "Content-Transfer-Encoding: 7bit\n"
        "\n"
        "--outer\n"
        "Content-Type: multipart/alternative; boundary=inner\n"
        "\n"
        "--inner\n"
        "Content-Type: text/plain\n"
        "\n"
        "first leaf\n"
        "--inner\n"
        "Content-Type: text/html\n"
        "\n"
        "second leaf\n"
        "--inner--\n"
        "--outer\n"
        "Content-Type: text/plain; name=a.txt\n"
        "\n"
        "attachment text\n"
        "--outer--\n";
    EXPECT_NE(search("first", message), 0);
    EXPECT_EQ(search("second", message), 0);
    EXPECT_EQ(search("attachment", message), 0);
}

TEST_F(BodyWalkTest, ContainerHeaderLinesAfterItsContentTypeArePassedOver) {
    // The encoding after the multipart Content-Type is neither checked nor
    // carried into the part: the part is read as 7bit ISO-2022-JP.
    const std::string message =
        "Content-Type: multipart/mixed; boundary=b\n"
        "Content-Transfer-Encoding: x-unknown\n"
        "\n"
        "Content-Type: text/plain; charset=big5\n"
        "--b\n"
        "Content-Type: text/plain\n"
        "\n" +
        kJisA + "\n--b--\n";
    EXPECT_NE(search("あ", message), 0);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(BodyWalkTest, BaseSixtyFourUtf8BodyIsSearchedWhole) {
    // "前半の文章\r\n検索\r\n語の後半" in UTF-8, split into lines of the
    // encoded text at group boundaries.
    const char* message =
        "Content-Type: text/plain; charset=UTF-8\n"
        "Content-Transfer-Encoding: base64\n"
        "\n"
        "5YmN5Y2K44Gu5paH\n"
        "56ugDQrmpJzntKINCuiqnuOBruW+jOWNig==\n";
    EXPECT_EQ(search("検索語", message), 4);
    EXPECT_EQ(search("検索語 -後半", message), 0);
    EXPECT_EQ(search("文章検索", message), 4);
}

TEST_F(BodyWalkTest, QuotedPrintableSoftBreakInsideAWord) {
    const char* message =
        "Content-Type: text/plain; charset=us-ascii\n"
        "Content-Transfer-Encoding: quoted-printable\n"
        "\n"
        "Hello wor=\n"
        "ld and =3D sign\n"
        "next\n";
    EXPECT_EQ(search("world", message), 4);
    EXPECT_EQ(search("\"= sign\"", message), 4);
}

TEST_F(BodyWalkTest, QuotedPrintableUtf8) {
    const char* message =
        "Content-Type: text/plain; charset=utf-8\n"
        "Content-Transfer-Encoding: Quoted-Printable\n"
        "\n"
        "=E6=A4=9C=E7=B4=A2=\n"
        "=E8=AA=9E\n";
    EXPECT_EQ(search("検索語", message), 4);
}

TEST_F(BodyWalkTest, EightBitEucJp) {
    const std::string message =
        "Content-Type: text/plain; charset=\"EUC-JP\"\nContent-Transfer-Encoding: 8bit\n\n"
        "\xCB\xDC\xCA\xB8\xA4\xCB\xB8\xA1\xBA\xF7\xB8\xEC\xA4\xAC\xA4\xA2\xA4\xEA\xA4\xDE\xA4\xB9\n";
    EXPECT_EQ(search("検索語", message), 3);
}

TEST_F(BodyWalkTest, EightBitUtf8AndShiftJis) {
    EXPECT_EQ(search("検索語",
                     "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: 8bit\n\n"
                     "本文の検索語\n"),
              3);
    const std::string sjis =
        "Content-Type: text/plain; charset=shift_jis\nContent-Transfer-Encoding: 8bit\n\n" +
        cp("本文の検索語") + "\n";
    EXPECT_EQ(search("検索語", sjis), 3);
}

// Each body holds 検索語 (or needle); none was found when base64 was
// decoded line by line, lower-case escapes were kept, or EUC-JP and UTF-8
// were read as ISO-2022-JP outside 8bit.
TEST_F(BodyWalkTest, FoundInEveryTransferEncodingAndCharset) {
    const std::string eucJp = "\xCB\xDC\xCA\xB8\xA4\xCB\xB8\xA1\xBA\xF7\xB8\xEC\xA4\xAC\r\n";
    const struct {
        const char* name;
        std::string message;
        const char* field;
    } rows[] = {
        {"Base64WrappedAtTen",
         "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
         "5YmN5Y2K44\nGu5paH56ug\nDQrmpJzntK\nLoqp7jga7l\nvozljYoNCg\n==\n",
         "検索語"},
        {"Base64EachLinePadded",
         "Content-Type: text/plain\nContent-Transfer-Encoding: base64\n\nbmU=\nZWRs\nZQ==\n", "needle"},
        {"QuotedPrintableLowerCaseHex",
         "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
         "=e6=a4=9c=e7=b4=a2=\n=e8=aa=9e\n",
         "検索語"},
        {"EucJpBase64",
         "Content-Type: text/plain; charset=euc-jp\nContent-Transfer-Encoding: base64\n\n"
         "y9zKuKTLuKG697jspKw=\n",
         "検索語"},
        {"EucJpQuotedPrintable",
         "Content-Type: text/plain; charset=EUC-JP\nContent-Transfer-Encoding: quoted-printable\n\n"
         "=CB=DC=CA=B8=A4=CB=B8=A1=BA=F7=B8=EC=A4=AC\n",
         "検索語"},
        {"EucJpWithoutTransferEncoding", "Content-Type: text/plain; charset=euc-jp\n\n" + eucJp, "検索語"},
        {"Utf8WithoutTransferEncoding", "Content-Type: text/plain; charset=utf-8\n\n本文の検索語\n",
         "検索語"},
        // A plain part whose file name says multipart is no container.
        {"MultipartOnlyInAParameter", "Content-Type: text/plain; name=\"multipart.txt\"\n\nneedle\n",
         "needle"},
    };
    for (const auto& row : rows) EXPECT_NE(search(row.field, row.message), 0) << row.name;
}

TEST_F(BodyWalkTest, KoiEightRIsSearchedAsIs) {
    const std::string message = "Content-Type: text/plain; charset=koi8-r\n\n" + kJisA + "\n";
    // Read as it is, the escape sequence's bytes stay; read as ISO-2022-JP
    // they would turn into あ.
    EXPECT_NE(searchTerms({{"$\"", 0}}, message), 0);
    EXPECT_EQ(search("あ", message), 0);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(BodyWalkTest, MissingCharsetIsReadAsIsoTwentyTwoJp) {
    EXPECT_NE(search("あ", "Subject: x\n\n" + kJisA + "\n"), 0);
}

TEST_F(BodyWalkTest, UnknownCharsetPromptsWithTheExactText) {
    entry.FileName = "/mail/box/メール.eml";
    entry.From = cp("山田 <y@example.jp>");
    entry.Subject = cp("件名");
    entry.RecvDateText = "2024/01/02 03:04";
    const char* header = "Content-Type: text/plain; charset=big5";
    prompts.answers = {ports::Answer::Yes};
    EXPECT_EQ(search("x", std::string(header) + "\n\nx\n"), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    const std::string expected = cp("検索できないメッセージがあります。スキップして続けますか？") + "\r\r" +
                                 cp(" ファイル　：/mail/box/メール.eml") + "\r" +
                                 cp(" 差出人　　：山田 <y@example.jp>") + "\r" + cp(" 件名　　 ：件名") +
                                 "\r" + cp(" 受信日時　：2024/01/02 03:04") + "\r" + cp(" 未サポート：") +
                                 header;
    EXPECT_EQ(prompts.shown[0], "yescancelall:" + expected);
    EXPECT_EQ(skip.SkippedCount, 1);
    EXPECT_FALSE(skip.SkipSilently);
    EXPECT_FALSE(progress.aborted);
}

TEST_F(BodyWalkTest, PromptItemIsTheWholeFoldedContentType) {
    prompts.answers = {ports::Answer::Yes};
    search("x", "Content-Type: text/plain;\n charset=\"big5\"\n\nx\n");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].ends_with("Content-Type: text/plain; charset=\"big5\""));
}

TEST_F(BodyWalkTest, YesToAllThenUnknownCharsetsUseTheFallback) {
    const std::string sevenBit = "Content-Type: text/plain; charset=big5\n\n" + kJisA + "\n";
    prompts.answers = {ports::Answer::YesToAll};
    EXPECT_EQ(search("あ", sevenBit), 0);
    EXPECT_TRUE(skip.SkipSilently);
    EXPECT_EQ(skip.SkippedCount, 1);
    // 7bit: read as ISO-2022-JP.
    EXPECT_NE(search("あ", sevenBit), 0);
    // 8bit: read as it is.
    const std::string eightBit =
        "Content-Type: text/plain; charset=big5\nContent-Transfer-Encoding: 8bit\n\n" + kJisA + "\n";
    EXPECT_EQ(search("あ", eightBit), 0);
    EXPECT_NE(searchTerms({{"$\"", 0}}, eightBit), 0);
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(skip.SkippedCount, 1);
}

TEST_F(BodyWalkTest, CancelSetsTheAbortFlag) {
    prompts.answers = {ports::Answer::Cancel};
    EXPECT_EQ(search("x", "Content-Type: text/plain; charset=big5\n\nx\n"), 0);
    EXPECT_TRUE(progress.aborted);
    EXPECT_FALSE(skip.SkipSilently);
}

TEST_F(BodyWalkTest, UnknownTransferEncodingPromptsThenGivesNoMatchSilently) {
    const char* message = "Content-Transfer-Encoding: x-uuencode\n\nbody text\n";
    prompts.answers = {ports::Answer::YesToAll};
    EXPECT_EQ(search("body", message), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].ends_with(cp(" 未サポート：") + "Content-Transfer-Encoding: x-uuencode"));
    EXPECT_EQ(search("body", message), 0);
    EXPECT_EQ(prompts.shown.size(), 1u);
}

// A body line longer than a piece is searched a piece at a time, each
// joined to the one before it; what the cut between two pieces splits (a
// character, an escape, ISO-2022-JP's double-byte mode) is put together
// again, so the answers are those of the whole line.
struct LongLineCase {
    const char* name;
    const char* header;
    std::size_t filler;  // bytes before the text, counted from the piece's end
    std::string text;
    const char* term;
};

class LongBodyLine : public BodyWalkTest, public testing::WithParamInterface<LongLineCase> {
protected:
    // The search as it reads a file: the body from the reader, in pieces.
    int searchRead(const char* field, const std::string& message) {
        ParseSearchField(terms, cp(field));
        LineReader reader;
        reader.openBytes(message);
        LineList header;
        ReadHeaderLines(reader, entry, header);
        BodyStream body(header, reader, entry.Boundary.view());
        return SearchBody(terms, body, entry, context);
    }
};

TEST_P(LongBodyLine, IsSearchedInPiecesAsAWhole) {
    const LongLineCase& c = GetParam();
    const std::string message = std::string(c.header) + "\n\n" +
                                std::string(kLinePieceBytes - c.filler, 'f') + c.text + "tail\nnext\n";
    const std::string wholeTerm = std::string("f") + c.term + "tail";
    for (const std::string& term : {std::string(c.term), wholeTerm}) {
        EXPECT_NE(searchRead(term.c_str(), message), 0) << term;
        EXPECT_NE(search(term.c_str(), message), 0) << term;
    }
    EXPECT_EQ(searchRead((std::string(c.term) + "x").c_str(), message), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LongBodyLine,
    testing::Values(
        LongLineCase{"Utf8CharacterCut",
                     "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: 8bit", 1,
                     "\xE6\xA4\x9C\xE7\xB4\xA2\xE8\xAA\x9E", "検索語"},
        // Ｂ is 0x82 0x61: its trail byte alone would be upper-cased to "A".
        LongLineCase{"ShiftJisLeadByteCut", "Content-Type: text/plain; charset=shift_jis", 1,
                     "\x82\x61\x82\x62", "ＢＣ"},
        LongLineCase{"Iso2022JpPairAndModeCut", "Content-Type: text/plain; charset=iso-2022-jp", 6,
                     "\x1B$B8!:w8l\x1B(B", "検索語"},
        LongLineCase{"EucJpPairCut",
                     "Content-Type: text/plain; charset=euc-jp\nContent-Transfer-Encoding: 8bit", 1,
                     "\xB8\xA1\xBA\xF7\xB8\xEC", "検索語"},
        LongLineCase{"QuotedPrintableEscapeAndCharacterCut",
                     "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable",
                     4, "=E6=A4=9C=E7=B4=A2=E8=AA=9E", "検索語"}),
    [](const testing::TestParamInfo<LongLineCase>& row) { return std::string(row.param.name); });

// However long a line, the search holds a batch of it at a time: a
// gigabyte line without a break took gigabytes.
TEST_F(BodyWalkTest, ALongLineIsNeverHeldWhole) {
    const std::size_t length = 8 << 20;
    std::string message = "Content-Type: text/plain; charset=utf-8\n\n" + std::string(length, 'a') + "zz\n";
    ParseSearchField(terms, "azz");
    LineReader reader;
    reader.openBytes(message);
    message = {};
    LineList header;
    ReadHeaderLines(reader, entry, header);
    BodyStream body(header, reader, "");
    EXPECT_NE(SearchBody(terms, body, entry, context), 0);
    EXPECT_LT(context.body.raw.capacity() + context.body.text.capacity(), length / 2);
}

TEST_F(BodyWalkTest, SupportedValuesDoNotPrompt) {
    const char* message =
        "Content-Type: text/plain; charset=Windows-1252\nContent-Transfer-Encoding: BINARY\n\nbody\n";
    EXPECT_NE(search("body", message), 0);
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
}  // namespace pelmora
