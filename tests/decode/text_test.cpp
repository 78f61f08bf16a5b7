// SPDX-License-Identifier: MIT
// Case folding of display text and its conversion to and from UTF-8.
#include "decode/text.h"

#include <gtest/gtest.h>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "hex.h"
#include "support/table_test.h"

namespace pelmora {
namespace {

using test::Hex;

using test::Case;
using test::caseName;

class UpperCaseCp932Test : public testing::TestWithParam<Case> {};
TEST_P(UpperCaseCp932Test, Folds) {
    EXPECT_EQ(Hex(UpperCaseCp932(GetParam().input)), Hex(GetParam().expected));
    std::string inPlace = GetParam().input;
    UpperCaseCp932InPlace(inPlace);
    EXPECT_EQ(Hex(inPlace), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(
    Table, UpperCaseCp932Test,
    testing::Values(Case{"AsciiLetters", "abz AZ @[`{", "ABZ AZ @[`{"},
                    Case{"FullWidthLetters", "\x82\x81\x82\x9A", "\x82\x60\x82\x79"},
                    Case{"FullWidthCapitalsStay", "\x82\x60\x82\x79", "\x82\x60\x82\x79"},
                    Case{"TrailByteInAsciiRangeStays", "\x83\x61\x83\x7A", "\x83\x61\x83\x7A"},
                    Case{"TrailByteLikeFullWidthSmallOnOtherLead", "\x83\x81", "\x83\x81"},
                    Case{"NextToFullWidthRangeStays", "\x82\x80\x82\x9F", "\x82\x80\x82\x9F"},
                    Case{"HalfWidthKatakanaStays", "\xB1\xB2", "\xB1\xB2"},
                    Case{"LoneLeadByteAtEnd", "a\x82", "A\x82"},
                    Case{"CharacterAfterDoubleByteFolded",
                         "\x82\xA0"
                         "a",
                         "\x82\xA0"
                         "A"}),
    caseName);

TEST(CompareTextNoCaseTest, FoldsLettersOnly) {
    EXPECT_EQ(CompareTextNoCase("utf-8", "UTF-8"), 0);
    EXPECT_EQ(CompareTextNoCase("\x82\x81", "\x82\x60"), 0);
    EXPECT_EQ(CompareTextNoCase("", ""), 0);
    EXPECT_LT(CompareTextNoCase("a", "B"), 0);
    EXPECT_GT(CompareTextNoCase("b", "A"), 0);
    EXPECT_LT(CompareTextNoCase("ab", "ABC"), 0);
    EXPECT_GT(CompareTextNoCase("abc", "AB"), 0);
    // Bytes compare unsigned, so double-byte text sorts after ASCII.
    EXPECT_GT(CompareTextNoCase("\x82\xA0", "z"), 0);
    // A trail byte is never folded on its own.
    EXPECT_NE(CompareTextNoCase("\x83\x61", "\x83\x41"), 0);
    // ASCII "_" (0x5F) lies between the capitals and the small letters.
    EXPECT_LT(CompareTextNoCase("a", "_"), 0);
}

class Cp932ToUtf8Test : public testing::TestWithParam<Case> {};
TEST_P(Cp932ToUtf8Test, Converts) {
    EXPECT_EQ(Hex(Cp932ToUtf8(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Table, Cp932ToUtf8Test,
                         testing::Values(Case{"Hiragana", "\x82\xA0", "\xE3\x81\x82"},
                                         Case{"SoWithBackslashTrail", "\x83\x5C", "\xE3\x82\xBD"},
                                         Case{"BackslashAndTildeStayAscii", "\\~", "\\~"},
                                         Case{"HalfWidthKatakana", "\xB1", "\xEF\xBD\xB1"},
                                         Case{"Byte80", "\x80", "\xC2\x80"},
                                         Case{"ByteA0", "\xA0", "\xEF\xA3\xB0"},
                                         Case{"LoneLeadAtEnd", "a\x82", "a\xEF\xBF\xBD"},
                                         Case{"LeadBeforeNonTrail", "\x82 a", "\xEF\xBF\xBD a"},
                                         Case{"UndefinedPairIsOneReplacement",
                                              "\x85\x40"
                                              "a",
                                              "\xEF\xBF\xBD"
                                              "a"},
                                         Case{"UserDefinedArea", "\xF0\x40", "\xEE\x80\x80"}),
                         caseName);

TEST(Cp932RoundTripTest, EveryTableCharacterSurvivesUtf8) {
    for (unsigned code = 0x8140; code <= 0xFCFC; ++code) {
        const char32_t u = Cp932ToUnicode(static_cast<std::uint16_t>(code));
        if (u == 0) continue;
        const std::string cp932{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        const std::string back = Utf8ToAnsi(Cp932ToUtf8(cp932));
        // Duplicates come back as their lowest code, which decodes alike.
        ASSERT_EQ(back.size(), 2u) << std::hex << code;
        const auto again = static_cast<std::uint16_t>(static_cast<unsigned char>(back[0]) << 8 |
                                                      static_cast<unsigned char>(back[1]));
        ASSERT_EQ(Cp932ToUnicode(again), u) << std::hex << code;
    }
}

}  // namespace
}  // namespace pelmora
