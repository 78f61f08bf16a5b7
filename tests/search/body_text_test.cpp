// SPDX-License-Identifier: MIT
#include "search/body_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decode/japanese.h"
#include "decode/text.h"
#include "decode/transfer.h"
#include "decode/transfer.h"

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

// Every text over alphabet up to maxLength bytes, then random longer ones.
template <typename Check>
void forTextsOver(std::string_view alphabet, std::size_t maxLength, Check check) {
    std::string text;
    auto extend = [&](auto& self, std::size_t length) -> void {
        check(text);
        if (length == maxLength) return;
        for (char c : alphabet) {
            text.push_back(c);
            self(self, length + 1);
            text.pop_back();
        }
    };
    extend(extend, 0);
    std::mt19937 random(11);
    for (int n = 0; n < 5000; ++n) {
        std::string longer(8 + random() % 60, ' ');
        for (char& c : longer) c = alphabet[random() % alphabet.size()];
        check(longer);
    }
}

TEST(AppendConvertedTest, IsoTwentyTwoJpSameAsTheDecoder) {
    forTextsOver("\x1b$(B@\x21\x7e" "a\x80\xff", 6, [](const std::string& text) {
        std::string out = "kept";
        AppendIso2022JpAsSjis(out, text);
        ASSERT_EQ(out, "kept" + Iso2022JpToSjis(text));
    });
}

TEST(AppendConvertedTest, Utf8SameAsTheDecoder) {
    forTextsOver("A\xc3\xa9\xe3\x81\x82\xef\xbd\xb1\xf0\x9f\xf8\xfc\xfe\x80\xc1", 4, [](const std::string& text) {
        std::string out = "kept";
        AppendUtf8AsSjis(out, text);
        ASSERT_EQ(out, "kept" + Utf8ToSjis(text));
    });
}

TEST(AppendConvertedTest, Base64SameAsTheDecoder) {
    forTextsOver("QUJD=a+/ \x80", 6, [](const std::string& text) {
        std::string out = "kept";
        AppendBase64Decoded(out, text);
        ASSERT_EQ(out, "kept" + Base64Decode(text));
    });
}

TEST(AppendConvertedTest, QuotedPrintableSameAsTheDecoder) {
    forTextsOver("=3Dafx_ ", 6, [](const std::string& text) {
        std::string out = "kept";
        AppendQuotedPrintableDecoded(out, text);
        ASSERT_EQ(out, "kept" + QuotedPrintableDecode(text));
    });
}

TEST(BuildBase64UnitTest, LinesAreDecodedAsIfOneByOne) {
    // "QQ" alone gives "A"; joined, "QQQQ" would give three other bytes.
    const LineList lines{"", "QQ", "QQ", "QUJD", "QUJD", "QQ=="};
    BodyText body;
    BuildBase64Unit(body, lines, 1, nullptr, BodyConversion::AsIs);
    EXPECT_EQ(body.text, "AAABCABCA");
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

TEST(BuildLineUnitsTest, SoftBreakJoinsTheDelimiterLine) {
    const std::string boundary = "b";
    const LineList lines{"", "one=", "--b", "two", "--b", "three"};
    BodyText body;
    BuildLineUnits(body, lines, 1, &boundary, BodyConversion::AsIs, true);
    EXPECT_EQ(body.text, "ONE--BTWO");
}

}  // namespace
}  // namespace pelmora
