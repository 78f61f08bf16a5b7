// SPDX-License-Identifier: MIT
#include "decode/transfer.h"

#include <gtest/gtest.h>

#include "hex.h"
#include "support/table_test.h"

namespace pelmora {
namespace {

using test::Hex;

using test::Case;
using test::caseName;

TEST(Base64CharValueTest, AlphabetPositionsAndZeroOutside) {
    EXPECT_EQ(Base64CharValue('A'), 0);
    EXPECT_EQ(Base64CharValue('Z'), 25);
    EXPECT_EQ(Base64CharValue('a'), 26);
    EXPECT_EQ(Base64CharValue('z'), 51);
    EXPECT_EQ(Base64CharValue('0'), 52);
    EXPECT_EQ(Base64CharValue('9'), 61);
    EXPECT_EQ(Base64CharValue('+'), 62);
    EXPECT_EQ(Base64CharValue('/'), 63);
    for (const unsigned char foreign : {'=', '?', ' ', '-', '_', '\0', '\xFF'}) {
        EXPECT_EQ(Base64CharValue(foreign), 0) << int(foreign);
    }
}

class Base64DecodeTest : public testing::TestWithParam<Case> {};
TEST_P(Base64DecodeTest, Decodes) {
    EXPECT_EQ(Hex(Base64Decode(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Table, Base64DecodeTest,
                         testing::Values(Case{"FullGroup", "QUJD", "ABC"}, Case{"OnePad", "QUI=", "AB"},
                                         Case{"TwoPads", "QQ==", "A"}, Case{"LoneValueGivesNothing", "Q", ""},
                                         Case{"BlanksAndLineEndSkipped", "QU JD\r\n", "ABC"},
                                         Case{"Empty", "", ""}, Case{"PadEndsItsGroup", "QQ==QUJD", "AABC"},
                                         Case{"PadAfterThreeValues", "QUI=QQ", "ABA"},
                                         Case{"HighBitsWrap", "////", "\xFF\xFF\xFF"},
                                         Case{"ZeroBytesKept", "AAAA", std::string(3, '\0')},
                                         Case{"ForeignBytesSkipped", "Q\x80U\xFFJ-D", "ABC"}),
                         caseName);

class QuotedPrintableDecodeTest : public testing::TestWithParam<Case> {};
TEST_P(QuotedPrintableDecodeTest, Decodes) {
    EXPECT_EQ(Hex(QuotedPrintableDecode(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(
    Table, QuotedPrintableDecodeTest,
    testing::Values(Case{"Escape", "a=3Db", "a=b"}, Case{"LowerCaseHex", "a=3db=e6", "a=b\xE6"},
                    Case{"TrailingEqualsKept", "abc=", "abc="}, Case{"ShortEscapeAtEndKept", "=4", "=4"},
                    Case{"TwoEscapes", "=C3=A9", "\xC3\xA9"}, Case{"UnderscoreStays", "x_y", "x_y"},
                    Case{"EqualsBeforeEscape", "==41", "=A"}, Case{"TrailingBlanksStay", "a \t", "a \t"},
                    Case{"EscapedZeroByte", "=00", std::string(1, '\0')}, Case{"Empty", "", ""}),
    caseName);

class EncodedWordBDecodeTest : public testing::TestWithParam<Case> {};
TEST_P(EncodedWordBDecodeTest, Decodes) {
    EXPECT_EQ(Hex(EncodedWordBDecode(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Table, EncodedWordBDecodeTest,
                         testing::Values(Case{"FullGroup", "QUJD", "ABC"},
                                         Case{"LengthTwoModFourUsesClosingDelimiter", "QUI", "AB"},
                                         Case{"PaddedGroup", "QUI=", "AB"}, Case{"TwoValues", "QQ", "A"},
                                         Case{"SecondGroupWithDelimiter", "QUJDRA", "ABCD"},
                                         Case{"LengthOneModFourDropsLast", "QUJDR", "ABC"},
                                         Case{"ZeroBytesRemoved", "AAAA", ""},
                                         Case{"EncodedZeroRemovedInside", "QQBC", "AB"},
                                         Case{"Empty", "", ""}),
                         caseName);

class EncodedWordQDecodeTest : public testing::TestWithParam<Case> {};
TEST_P(EncodedWordQDecodeTest, Decodes) {
    EXPECT_EQ(Hex(EncodedWordQDecode(GetParam().input)), Hex(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Table, EncodedWordQDecodeTest,
                         testing::Values(Case{"UnderscoreAndEscape", "a_b=41", "a b\x41"},
                                         Case{"LowerCaseHexAccepted", "=e9", "\xE9"},
                                         Case{"ShortEscapeKept", "=4", "=4"},
                                         Case{"TrailingEqualsKept", "a=", "a="},
                                         Case{"NonHexEscapeKept", "=ZZ", "=ZZ"},
                                         Case{"HalfHexEscapeKept", "=4G", "=4G"},
                                         Case{"WalkGoesOnAfterBadEscape", "=ZZ_=41", "=ZZ A"},
                                         Case{"EqualsBeforeEscape", "==41", "=A"}, Case{"Empty", "", ""}),
                         caseName);

}  // namespace
}  // namespace pelmora
