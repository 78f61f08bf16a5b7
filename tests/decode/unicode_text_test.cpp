// SPDX-License-Identifier: MIT
// Text of a message into UTF-8 for the reader, and the transfer decoders
// that take a body line by line.
#include "decode/unicode_text.h"

#include <gtest/gtest.h>

#include "decode/transfer_stream.h"
#include "hex.h"

namespace pelmora {
namespace {

using test::Hex;

struct CharsetCase {
    const char* name;
    std::string bytes;
    const char* charset;
    std::string utf8;
    bool unknown = false;
};

void PrintTo(const CharsetCase& c, std::ostream* os) {
    *os << c.name;
}

std::string charsetCaseName(const testing::TestParamInfo<CharsetCase>& row) {
    return row.param.name;
}

class CharsetToUtf8Test : public testing::TestWithParam<CharsetCase> {};
TEST_P(CharsetToUtf8Test, Converts) {
    const Utf8Text text = CharsetToUtf8(GetParam().bytes, GetParam().charset);
    EXPECT_EQ(Hex(text.utf8), Hex(GetParam().utf8));
    EXPECT_EQ(text.charsetUnknown, GetParam().unknown);
}
INSTANTIATE_TEST_SUITE_P(
    Table, CharsetToUtf8Test,
    testing::Values(
        // ①㈱ are code page 932's NEC rows inside ISO-2022-JP; 髙 its IBM extension.
        CharsetCase{"Iso2022JpWithCp932Extensions", "\x1B$B-!-j|b\x1B(B", "ISO-2022-JP", "①㈱髙"},
        CharsetCase{"Iso2022JpLineLeftOpen", "\x1B$B$\"\r\nA", "iso-2022-jp", "あ\r\nA"},
        CharsetCase{"ShiftJisIsCodePage932", "\x82\xA0\x81\x60\xFB\xFC", "Shift_JIS", "あ～髙"},
        CharsetCase{"EucJp", "\xA4\xA2\xB4\xC1", "EUC-JP", "あ漢"},
        CharsetCase{"Utf8EmojiKept", "\xF0\x9F\x98\x80!", "utf-8", "\xF0\x9F\x98\x80!"},
        CharsetCase{"Utf8IllFormedByteReplaced", "a\xC3(", "UTF-8", "a\xEF\xBF\xBD("},
        CharsetCase{"Windows1252", "\x80\x93x\x94", "windows-1252", "€“x”"},
        CharsetCase{"Gb2312", "\xC4\xE3\xBA\xC3", "GB2312", "你好"},
        CharsetCase{"Big5", "\xA4\xA4\xA4\xE5", "big5", "中文"},
        CharsetCase{"Koi8r", "\xF0\xD2\xC9\xD7\xC5\xD4", "KOI8-R", "Привет"},
        CharsetCase{"EucKrUnderMailName", "\xC7\xD1", "ks_c_5601-1987", "한"},
        CharsetCase{"UnknownAsLatin1", "caf\xE9", "x-nonsense", "café", true},
        CharsetCase{"UsAsciiWithEscapesIsIso2022Jp", "\x1B$B$\"\x1B(B", "us-ascii", "あ"},
        CharsetCase{"UnlabelledUtf8", "\xE3\x81\x82", "", "あ"},
        CharsetCase{"UnlabelledCp932", "\x82\xA0", "", "あ"}),
    charsetCaseName);

TEST(EncodedWordsToUtf8Test, DecodesEachCharsetAndJoinsAdjacentWords) {
    // A UTF-8 character split over two words of one charset stays whole.
    EXPECT_EQ(EncodedWordsToUtf8("=?UTF-8?B?44E=?= =?UTF-8?B?gg==?=.txt"), "あ.txt");
    EXPECT_EQ(EncodedWordsToUtf8("=?ISO-2022-JP?B?GyRCJCIbKEI=?= and =?iso-8859-1?q?caf=E9?="),
              "あ and café");
    EXPECT_EQ(EncodedWordsToUtf8("=?utf-8*ja?Q?=E3=81=82?="), "あ");
    // Raw bytes around words: ISO-2022-JP and code page 932.
    EXPECT_EQ(EncodedWordsToUtf8("\x1B$B$\"\x1B(B.doc"), "あ.doc");
    EXPECT_EQ(EncodedWordsToUtf8("\x82\xA0.doc"), "あ.doc");
    EXPECT_EQ(EncodedWordsToUtf8("=?broken"), "=?broken");
}

TEST(QuotedPrintableLineTest, EitherCaseSoftBreaksAndPadding) {
    std::string out;
    bool softBreak = false;
    AppendQuotedPrintableLine(out, "=e3=81=82=E3=81=84 \t", softBreak);
    EXPECT_EQ(out, "あい");
    EXPECT_FALSE(softBreak);
    out.clear();
    AppendQuotedPrintableLine(out, "a=3D=zz=", softBreak);
    EXPECT_EQ(out, "a==zz");
    EXPECT_TRUE(softBreak);
}

TEST(UudecodeStreamTest, DecodesBetweenBeginAndEnd) {
    UudecodeStream stream;
    std::string out;
    for (const char* line : {"junk", "begin 644 a.txt", "#86)C", "`", "end", "#86)C"})
        stream.appendLine(out, line);
    EXPECT_EQ(out, "abc");
}

}  // namespace
}  // namespace pelmora
