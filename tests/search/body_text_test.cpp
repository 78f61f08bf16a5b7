// SPDX-License-Identifier: MIT
#include "search/body_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decode/text.h"

namespace pelmora {
namespace {

std::string upperRange(std::string text) {
    UpperCaseDisplayRange(text.data(), text.size());
    return text;
}

TEST(UpperCaseDisplayRangeTest, SameAsUpperCaseCp932ForEveryTwoByteText) {
    for (int a = 0; a < 256; ++a) {
        std::string one(1, static_cast<char>(a));
        ASSERT_EQ(upperRange(one), UpperCaseCp932(one)) << a;
        for (int b = 0; b < 256; ++b) {
            std::string two{static_cast<char>(a), static_cast<char>(b)};
            ASSERT_EQ(upperRange(two), UpperCaseCp932(two)) << a << ' ' << b;
        }
    }
}

TEST(UpperCaseDisplayRangeTest, SameAsUpperCaseCp932ForLongMixedTexts) {
    // Bytes that matter to the mapping, mixed so that runs of eight ASCII
    // bytes and double-byte characters meet at every offset.
    const std::string pool = "azAZ`{@[09 \x82\x81\x9A\x60\x79\x83\x41\x88\x9F\xE0\xFC\xA1\xDF\x80\xFD";
    std::mt19937 random(7);
    for (int n = 0; n < 20000; ++n) {
        std::string text(random() % 40, ' ');
        for (char& c : text) c = pool[random() % pool.size()];
        ASSERT_EQ(upperRange(text), UpperCaseCp932(text)) << text;
    }
}

TEST(BuildBase64UnitTest, LinesAreOneText) {
    // Lines wrapped at a width that is no multiple of four: "QQ" alone
    // would give "A", but the group goes on into the next line.
    const LineList lines{"", "QQ", "QQ", "QUJD", "QUJD", "QQ=="};
    BodyText body;
    BuildBase64Unit(body, lines, 1, nullptr, BodyConversion::AsIs);
    EXPECT_EQ(body.text,
              "A\x04\x10"
              "ABCABCA");
    ASSERT_EQ(body.units.size(), 1u);
    EXPECT_EQ(body.units[0].lastLine, 5u);
}

TEST(BuildBase64UnitTest, StopsAtTheDelimiter) {
    const std::string boundary = "b";
    const LineList lines{"", "YWJj", "--b", "ZGVm"};
    BodyText body;
    BuildBase64Unit(body, lines, 1, &boundary, BodyConversion::AsIs);
    EXPECT_EQ(body.text, "ABC");
}

TEST(BuildLineUnitsTest, UnitsAreContiguousAndUpperCased) {
    const LineList lines{"", "ab", "soft=", "break", "x=3D", "last"};
    BodyText body;
    BuildLineUnits(body, lines, 1, nullptr, BodyConversion::AsIs, true);
    EXPECT_EQ(body.text, "ABSOFTBREAKX=LAST");
    ASSERT_EQ(body.units.size(), 4u);
    EXPECT_EQ(body.units[1].begin, 2u);
    EXPECT_EQ(body.units[1].end, 11u);
    EXPECT_EQ(body.units[1].lastLine, 3u);
    EXPECT_EQ(body.units[3].lastLine, 5u);
}

// Each unit is converted on its own, after its soft breaks are joined and
// its escapes decoded, and then upper-cased with the others.
TEST(BuildLineUnitsTest, ConvertsEachUnitByItsCharset) {
    struct Row {
        const char* name;
        BodyConversion conversion;
        bool quotedPrintable;
        LineList lines;
        std::string text;
    };
    const Row rows[] = {
        {"Iso2022JpPerLine",
         BodyConversion::Iso2022Jp,
         false,
         {"", "a\x1b$B$\"\x1b(Bb", "\x1b$B$$"},
         "A\x82\xA0"
         "B\x82\xA2"},
        {"Utf8WithFullWidthLetter",
         BodyConversion::Utf8,
         false,
         {"", "\xef\xbd\x81x\xe3\x81\x82"},
         "\x82\x60X\x82\xA0"},
        {"Utf8QuotedPrintableAcrossSoftBreak",
         BodyConversion::Utf8,
         true,
         {"", "=E3=81=", "=82z"},
         "\x82\xA0Z"},
        {"EucJp", BodyConversion::EucJp, false, {"", "\xA4\xA2q"}, "\x82\xA0Q"},
    };
    for (const Row& row : rows) {
        BodyText body;
        BuildLineUnits(body, row.lines, 1, nullptr, row.conversion, row.quotedPrintable);
        EXPECT_EQ(body.text, row.text) << row.name;
    }
}

TEST(BuildLineUnitsTest, SoftBreakJoinsTheDelimiterLine) {
    const std::string boundary = "b";
    const LineList lines{"", "one=", "--b", "two", "--b", "three"};
    BodyText body;
    BuildLineUnits(body, lines, 1, &boundary, BodyConversion::AsIs, true);
    EXPECT_EQ(body.text, "ONE--BTWO");
}

}  // namespace
}  // namespace pelmora
