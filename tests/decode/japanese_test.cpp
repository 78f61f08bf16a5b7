// SPDX-License-Identifier: MIT
#include "decode/japanese.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "hex.h"
#include "support/table_test.h"

namespace pelmora {
namespace {

using test::Hex;

using test::Case;
using test::caseName;

std::pair<std::uint8_t, std::uint8_t> sjisPair(int high, int low) {
    return {static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(low)};
}

TEST(JisToSjisPairTest, KnownCharacters) {
    EXPECT_EQ(JisToSjisPair(0x24, 0x22), sjisPair(0x82, 0xA0));
    EXPECT_EQ(JisToSjisPair(0x25, 0x22), sjisPair(0x83, 0x41));
    EXPECT_EQ(JisToSjisPair(0x21, 0x21), sjisPair(0x81, 0x40));
    EXPECT_EQ(JisToSjisPair(0x7E, 0x7E), sjisPair(0xEF, 0xFC));
}

// The arithmetic must agree with the textbook row/cell mapping on the whole
// JIS X 0208 square, including the trail-byte gap at 0x7F.
TEST(JisToSjisPairTest, MatchesStandardMappingOnWholeSquare) {
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            const int high = (j1 + 1) / 2 + (j1 <= 0x5E ? 0x70 : 0xB0);
            int low = j1 % 2 == 0 ? j2 + 0x7E : j2 + 0x1F + (j2 >= 0x60 ? 1 : 0);
            const auto [h, l] = JisToSjisPair(static_cast<std::uint8_t>(j1), static_cast<std::uint8_t>(j2));
            ASSERT_EQ(h, high) << std::hex << j1 << ' ' << j2;
            ASSERT_EQ(l, low) << std::hex << j1 << ' ' << j2;
        }
    }
}

class Iso2022JpToSjisTest : public testing::TestWithParam<Case> {};
TEST_P(Iso2022JpToSjisTest, Converts) {
    EXPECT_EQ(Hex(Iso2022JpToSjis(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(
    Table, Iso2022JpToSjisTest,
    testing::Values(Case{"Hiragana", "\x1B$B$\"\x1B(B", "\x82\xA0"},
                    Case{"NoEscapeUnchanged", "plain \x82\xA0 text", "plain \x82\xA0 text"},
                    Case{"EndsInEscape", "abc\x1B", "abc"}, Case{"EndsInTwoByteEscape", "abc\x1B$", "abc"},
                    Case{"LoneLastBytePairedWithZero", "\x1B$B$", "\x82\x7E"},
                    Case{"OldJisEscape", "\x1B$@$\"\x1B(J", "\x82\xA0"},
                    Case{"SingleByteKatakanaStaysSevenBit", "\x1B(I12\x1B(B", "12"},
                    Case{"FourByteEscapeLeavesFourthAsText", "\x1B$(D$", "\x92\xA2"},
                    Case{"UnknownEscapeKeepsMode", "\x1B$B\x1B.A$\"\x1B(B", "\x82\xA0"},
                    Case{"TextAroundStays", "Re: \x1B$B$\"$$\x1B(B!", "Re: \x82\xA0\x82\xA2!"}),
    caseName);

class EucJpTest : public testing::TestWithParam<Case> {};
TEST_P(EucJpTest, ConvertsToIso2022Jp) {
    EXPECT_EQ(Hex(EucJpToIso2022Jp(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Table, EucJpTest,
                         testing::Values(Case{"Hiragana", "\xA4\xA2", "\x1B$B$\"\x1B(J"},
                                         Case{"MixedWithAscii",
                                              "a\xA4\xA2"
                                              "b",
                                              "a\x1B$B$\"\x1B(Jb"},
                                         Case{"LoneHighByteAtEndDropped", "a\xA4", "a"},
                                         Case{"Byte80Dropped",
                                              "\x80"
                                              "a",
                                              "a"},
                                         Case{"HalfPairBeforeAsciiDropped",
                                              "\xA4"
                                              "a",
                                              "a"},
                                         Case{"Empty", "", ""}),
                         caseName);

TEST(EucJpTest, ThroughIso2022JpGivesSjis) {
    EXPECT_EQ(Hex(Iso2022JpToSjis(EucJpToIso2022Jp("\xA4\xA2"))), Hex("\x82\xA0"));
    EXPECT_EQ(Hex(Iso2022JpToSjis(EucJpToIso2022Jp("a\xA4\xA2"
                                                   "b"))),
              Hex("a\x82\xA0"
                  "b"));
}

class Utf8ToSjisTest : public testing::TestWithParam<Case> {};
TEST_P(Utf8ToSjisTest, Converts) {
    EXPECT_EQ(Hex(Utf8ToSjis(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Table, Utf8ToSjisTest,
                         testing::Values(Case{"Hiragana", "\xE3\x81\x82", "\x82\xA0"},
                                         Case{"HalfWidthKatakanaIsOneByte", "\xEF\xBD\xB1", "\xB1"},
                                         Case{"NoCodeKeepsBytes", "\xE2\x80\x94", "\xE2\x80\x94"},
                                         Case{"BeyondBmpKeepsBytes", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
                                         Case{"TruncatedAtEndKept", "a\xE3\x81", "a\xE3\x81"},
                                         Case{"LatinSmallEKeepsBytes", "\xC3\xA9", "\xC3\xA9"},
                                         Case{"SectionSign", "\xC2\xA7", "\x81\x98"},
                                         Case{"FollowingBytesNotChecked", "\xE3\x41\x42", "\x82\xA0"},
                                         Case{"NulByteKept", std::string("a\0b", 3), std::string("a\0b", 3)}),
                         caseName);

TEST(Utf8NextCharTest, LeadByteAloneDecidesLength) {
    EXPECT_EQ(Utf8NextChar("A\xE3").length, 1u);
    EXPECT_EQ(Utf8NextChar("\xC3\xA9z").length, 2u);
    EXPECT_EQ(Utf8NextChar("\xE3\x81\x82z").length, 3u);
    EXPECT_EQ(Utf8NextChar("\xF0\x9F\x98\x80z").length, 4u);
    EXPECT_EQ(Utf8NextChar("\xF8\x80\x80\x80\x80z").length, 5u);
    EXPECT_EQ(Utf8NextChar("\x80\x80\x80\x80\x80\x80z").length, 6u);
    EXPECT_EQ(Utf8NextChar("\xFF\x80\x80\x80\x80\x80z").length, 6u);
    // Too short for its lead byte: the whole rest is one sequence.
    EXPECT_EQ(Utf8NextChar("\x80"
                           "abc")
                  .length,
              4u);
    EXPECT_EQ(Hex(Utf8NextChar("\x80"
                               "abc")
                      .sjis),
              Hex("\x80"
                  "abc"));
}

class Utf8ToAnsiTest : public testing::TestWithParam<Case> {};
TEST_P(Utf8ToAnsiTest, Converts) {
    EXPECT_EQ(Hex(Utf8ToAnsi(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(
    Table, Utf8ToAnsiTest,
    testing::Values(
        Case{"Hiragana",
             "a\xE3\x81\x82"
             "b",
             "a\x82\xA0"
             "b"},
        Case{"EmojiIsOneQuestionMark", "\xE3\x81\x82\xF0\x9F\x98\x80\xE3\x81\x84", "\x82\xA0?\x82\xA2"},
        Case{"NoCodeIsQuestionMark",
             "a\xE2\x80\x94"
             "b",
             "a?b"},
        Case{"U0080HasNoCode", "\xC2\x80", "?"}, Case{"HalfWidthKatakana", "\xEF\xBD\xB1", "\xB1"},
        Case{"TruncatedAtEnd", "a\xE3\x81", "a??"},
        Case{"BadContinuationResumesAtNextByte", "\xE3\x41\xE3\x81\x82", "?A\x82\xA0"},
        Case{"StrayContinuationByte",
             "a\x80"
             "b",
             "a?b"},
        Case{"OverlongTwoByte", "\xC0\xAF", "??"}, Case{"OverlongThreeByte", "\xE0\x80\xAF", "???"},
        Case{"Surrogate", "\xED\xA0\x80", "???"}, Case{"AboveU10FFFF", "\xF4\x90\x80\x80", "????"},
        Case{"HighestBmpNonCharacter", "\xEF\xBF\xBF", "?"}, Case{"InvalidLeadBytes", "\xF5\xFF", "??"},
        Case{"UserDefinedArea", "\xEE\x80\x80", "\xF0\x40"}),
    caseName);

struct CharsetCase {
    const char* name;
    std::string charset;
    std::optional<CharsetKind> kind;
};

std::string charsetCaseName(const testing::TestParamInfo<CharsetCase>& info) {
    return info.param.name;
}
void PrintTo(const CharsetCase& c, std::ostream* os) {
    *os << c.name;
}

class KnownCharsetsTest : public testing::TestWithParam<CharsetCase> {};
TEST_P(KnownCharsetsTest, LooksUp) {
    EXPECT_EQ(KnownCharsets(GetParam().charset), GetParam().kind);
}
INSTANTIATE_TEST_SUITE_P(Table, KnownCharsetsTest,
                         testing::Values(CharsetCase{"Utf8Capitals", "UTF-8", CharsetKind::Utf8},
                                         CharsetCase{"Iso2022JpMixedCase", "Iso-2022-JP",
                                                     CharsetKind::Iso2022Jp},
                                         CharsetCase{"EucJp", "euc-jp", CharsetKind::EucJp},
                                         CharsetCase{"ShiftJisUnderscore", "Shift_JIS", CharsetKind::AsIs},
                                         CharsetCase{"ShiftJisHyphen", "shift-jis", CharsetKind::AsIs},
                                         CharsetCase{"Koi8r", "KOI8-R", CharsetKind::AsIs},
                                         CharsetCase{"LastWindowsPage", "windows-1258", CharsetKind::AsIs},
                                         CharsetCase{"Iso2022Jp2NotKnown", "iso-2022-jp-2", std::nullopt},
                                         CharsetCase{"Windows1259NotKnown", "windows-1259", std::nullopt},
                                         CharsetCase{"PrefixNotKnown", "utf", std::nullopt},
                                         CharsetCase{"EmptyNotKnown", "", std::nullopt}),
                         charsetCaseName);

// One Japanese sentence in each encoding Japanese mail uses; every road
// must end at the same display text.
std::string readFixture(const std::string& name) {
    std::ifstream in(std::string(PELMORA_TEST_DATA) + "/decode/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(JapaneseTextTest, EveryEncodingGivesTheSameDisplayText) {
    const std::string cp932 = readFixture("japanese.cp932");
    ASSERT_FALSE(cp932.empty());
    EXPECT_EQ(Hex(Iso2022JpToSjis(readFixture("japanese.iso-2022-jp"))), Hex(cp932));
    EXPECT_EQ(Hex(Iso2022JpToSjis(EucJpToIso2022Jp(readFixture("japanese.euc-jp")))), Hex(cp932));
    EXPECT_EQ(Hex(Utf8ToSjis(readFixture("japanese.utf-8"))), Hex(cp932));
    EXPECT_EQ(Hex(Utf8ToAnsi(readFixture("japanese.utf-8"))), Hex(cp932));
}

}  // namespace
}  // namespace pelmora
