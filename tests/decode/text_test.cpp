// SPDX-License-Identifier: MIT
// Case folding of display text, its conversion to and from UTF-8, and the
// command line's output helpers built on them.
#include "decode/text.h"

#include <gtest/gtest.h>

#include "cli/text_output.h"
#include "decode/cp932.h"
#include "hex.h"

namespace pelmora {
namespace {

using test::Hex;

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

std::string caseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

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

class Utf8ToCp932Test : public testing::TestWithParam<Case> {};
TEST_P(Utf8ToCp932Test, Converts) {
    EXPECT_EQ(Hex(Utf8ToCp932(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Table, Utf8ToCp932Test,
                         testing::Values(Case{"Path", "/home/\xE3\x81\x82/mail", "/home/\x82\xA0/mail"},
                                         Case{"NoCodeIsQuestionMark", "\xC3\xA9", "?"},
                                         Case{"MalformedByte",
                                              "a\xFF"
                                              "b",
                                              "a?b"},
                                         Case{"BeyondBmp", "\xF0\x9F\x98\x80", "?"}),
                         caseName);

TEST(Cp932RoundTripTest, EveryTableCharacterSurvivesUtf8) {
    for (unsigned code = 0x8140; code <= 0xFCFC; ++code) {
        const char32_t u = Cp932ToUnicode(static_cast<std::uint16_t>(code));
        if (u == 0) continue;
        const std::string cp932{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        const std::string back = Utf8ToCp932(Cp932ToUtf8(cp932));
        // Duplicates come back as their lowest code, which decodes alike.
        ASSERT_EQ(back.size(), 2u) << std::hex << code;
        const auto again = static_cast<std::uint16_t>(static_cast<unsigned char>(back[0]) << 8 |
                                                      static_cast<unsigned char>(back[1]));
        ASSERT_EQ(Cp932ToUnicode(again), u) << std::hex << code;
    }
}

class EscapeTsvFieldTest : public testing::TestWithParam<Case> {};
TEST_P(EscapeTsvFieldTest, Escapes) {
    EXPECT_EQ(cli::EscapeTsvField(GetParam().input), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Table, EscapeTsvFieldTest,
                         testing::Values(Case{"Backslash", "a\\b", "a\\\\b"}, Case{"Tab", "a\tb", "a\\tb"},
                                         Case{"CarriageReturnAndLineFeed", "a\r\nb", "a\\r\\nb"},
                                         Case{"EscapedLetterNotTouched", "\\n", "\\\\n"},
                                         Case{"Plain", "Re: hi", "Re: hi"}, Case{"Empty", "", ""}),
                         caseName);

TEST(TextOutputTest, Cp932EscapingLeavesTrailBytesAlone) {
    using cli::OutputEncoding;
    EXPECT_EQ(Hex(cli::EscapeTsvField("\x83\x5C\\\t", OutputEncoding::Cp932)), Hex("\x83\x5C\\\\\\t"));
    EXPECT_EQ(Hex(cli::TsvField("\x83\x5C\\", OutputEncoding::Utf8)), Hex("\xE3\x82\xBD\\\\"));
    EXPECT_EQ(Hex(cli::TsvField("\x83\x5C\\", OutputEncoding::Cp932)), Hex("\x83\x5C\\\\"));
    EXPECT_EQ(Hex(cli::ForOutput("\x82\xA0", OutputEncoding::Cp932)), Hex("\x82\xA0"));
    EXPECT_EQ(Hex(cli::ForOutput("\x82\xA0", OutputEncoding::Utf8)), Hex("\xE3\x81\x82"));
}

TEST(TextOutputTest, ParsesEncodingNames) {
    using cli::OutputEncoding;
    EXPECT_EQ(cli::ParseOutputEncoding("utf-8"), OutputEncoding::Utf8);
    EXPECT_EQ(cli::ParseOutputEncoding("UTF8"), OutputEncoding::Utf8);
    EXPECT_EQ(cli::ParseOutputEncoding("cp932"), OutputEncoding::Cp932);
    EXPECT_EQ(cli::ParseOutputEncoding("CP932"), OutputEncoding::Cp932);
    EXPECT_EQ(cli::ParseOutputEncoding("shift_jis"), std::nullopt);
    EXPECT_EQ(cli::ParseOutputEncoding(""), std::nullopt);
}

}  // namespace
}  // namespace pelmora
