// SPDX-License-Identifier: MIT
// The generated tables against the facts of Microsoft's code page 932.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <vector>

#include "decode/cp932.h"
#include "decode/japanese.h"

namespace pelmora {
namespace {

std::vector<std::uint16_t> allCodes() {
    std::vector<std::uint16_t> codes;
    for (unsigned b = 0; b < 0x100; ++b) codes.push_back(static_cast<std::uint16_t>(b));
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsCp932LeadByte(static_cast<std::uint8_t>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
            codes.push_back(static_cast<std::uint16_t>(lead << 8 | trail));
    }
    return codes;
}

TEST(UnicodeToSjisTableTest, HoldsAllCharactersBeyondAsciiInTheirRows) {
    int characters = 0;
    std::set<unsigned> rows;
    for (char32_t u = 0x80; u <= 0xFFFF; ++u) {
        if (UnicodeToSjis(u) == 0) continue;
        ++characters;
        rows.insert(static_cast<unsigned>(u >> 8));
    }
    EXPECT_EQ(characters, 9273);
    std::set<unsigned> expectedRows = {0x00, 0x03, 0x04, 0x30, 0x32, 0x33, 0xF8, 0xF9, 0xFA, 0xFF};
    for (unsigned r = 0x20; r <= 0x26; ++r) expectedRows.insert(r);
    for (unsigned r = 0x4E; r <= 0x9F; ++r) expectedRows.insert(r);
    for (unsigned r = 0xE0; r <= 0xE7; ++r) expectedRows.insert(r);
    EXPECT_EQ(expectedRows.size(), 107u);
    EXPECT_EQ(rows, expectedRows);
}

TEST(UnicodeToSjisTableTest, AsciiIsItselfAndBeyondBmpHasNoCode) {
    for (char32_t u = 0; u < 0x80; ++u) EXPECT_EQ(UnicodeToSjis(u), u);
    EXPECT_EQ(UnicodeToSjis(0x10000), 0);
    EXPECT_EQ(UnicodeToSjis(0x1F600), 0);
    EXPECT_EQ(UnicodeToSjis(0x7FFFFFFF), 0);
}

// Every code decodes to a character whose table entry is the lowest code
// of that character, and every table entry decodes back to its character.
TEST(UnicodeToSjisTableTest, LowestCodeWinsAndEntriesRoundTrip) {
    for (const std::uint16_t code : allCodes()) {
        const char32_t u = Cp932ToUnicode(code);
        if (u == 0 || code < 0x80 || code == 0x80) continue;
        const std::uint16_t lowest = UnicodeToSjis(u);
        ASSERT_NE(lowest, 0) << std::hex << code;
        ASSERT_LE(lowest, code) << std::hex << code;
        ASSERT_EQ(Cp932ToUnicode(lowest), u) << std::hex << code;
    }
    for (char32_t u = 0x80; u <= 0xFFFF; ++u) {
        const std::uint16_t code = UnicodeToSjis(u);
        if (code != 0) {
            ASSERT_EQ(Cp932ToUnicode(code), u) << std::hex << static_cast<unsigned>(u);
        }
    }
}

struct Mapping {
    char32_t unicode;
    std::uint16_t sjis;
};

void PrintTo(const Mapping& m, std::ostream* os) {
    *os << std::hex << "U+" << static_cast<unsigned>(m.unicode) << " 0x" << m.sjis;
}

std::string mappingName(const testing::TestParamInfo<Mapping>& info) {
    char name[32];
    std::snprintf(name, sizeof name, "U%04X_%04X", static_cast<unsigned>(info.param.unicode),
                  info.param.sjis);
    return name;
}

class UnicodeToSjisExampleTest : public testing::TestWithParam<Mapping> {};
TEST_P(UnicodeToSjisExampleTest, GivesCode) {
    EXPECT_EQ(UnicodeToSjis(GetParam().unicode), GetParam().sjis)
        << std::hex << static_cast<unsigned>(GetParam().unicode);
}
INSTANTIATE_TEST_SUITE_P(
    Examples, UnicodeToSjisExampleTest,
    testing::Values(Mapping{0x00A7, 0x8198}, Mapping{0x00F7, 0x8180}, Mapping{0xE000, 0xF040},
                    Mapping{0xE757, 0xF9FC}, Mapping{0xF8F0, 0x00A0}, Mapping{0xF8F3, 0x00FF},
                    Mapping{0xFF5E, 0x8160}, Mapping{0xFF61, 0x00A1}, Mapping{0xFF9F, 0x00DF},
                    Mapping{0x3042, 0x82A0},
                    // Several codes decode to these; the lowest one is kept.
                    Mapping{0x2252, 0x81E0}, Mapping{0x2160, 0x8754}, Mapping{0x2170, 0xEEEF},
                    Mapping{0xFFE2, 0x81CA}, Mapping{0x2235, 0x81E6},
                    // Characters code page 932 never produces.
                    Mapping{0x0080, 0}, Mapping{0x00A2, 0}, Mapping{0x00A3, 0}, Mapping{0x00A5, 0},
                    Mapping{0x00A6, 0}, Mapping{0x00AC, 0}, Mapping{0x00F8, 0}, Mapping{0x00FF, 0},
                    Mapping{0x2014, 0}, Mapping{0x2016, 0}, Mapping{0x2212, 0}, Mapping{0x301C, 0},
                    Mapping{0x203E, 0}),
    mappingName);

struct Decoding {
    std::uint16_t code;
    char32_t unicode;
};

void PrintTo(const Decoding& d, std::ostream* os) {
    *os << std::hex << "0x" << d.code << " U+" << static_cast<unsigned>(d.unicode);
}

std::string decodingName(const testing::TestParamInfo<Decoding>& info) {
    char name[32];
    std::snprintf(name, sizeof name, "X%04X_U%04X", info.param.code,
                  static_cast<unsigned>(info.param.unicode));
    return name;
}

class Cp932ToUnicodeTest : public testing::TestWithParam<Decoding> {};
TEST_P(Cp932ToUnicodeTest, Decodes) {
    EXPECT_EQ(Cp932ToUnicode(GetParam().code), GetParam().unicode) << std::hex << GetParam().code;
}
INSTANTIATE_TEST_SUITE_P(
    Examples, Cp932ToUnicodeTest,
    testing::Values(Decoding{0x005C, 0x005C}, Decoding{0x007E, 0x007E}, Decoding{0x0080, 0x0080},
                    Decoding{0x00A0, 0xF8F0}, Decoding{0x00FD, 0xF8F1}, Decoding{0x00FE, 0xF8F2},
                    Decoding{0x00FF, 0xF8F3}, Decoding{0x00B1, 0xFF71}, Decoding{0xF040, 0xE000},
                    Decoding{0xF07E, 0xE03E}, Decoding{0xF080, 0xE03F}, Decoding{0xF9FC, 0xE757},
                    Decoding{0x8790, 0x2252}, Decoding{0xFA4A, 0x2160}, Decoding{0xFA40, 0x2170},
                    Decoding{0x815F, 0xFF3C}, Decoding{0x8160, 0xFF5E},
                    // Lead bytes alone and holes in the table decode to nothing.
                    Decoding{0x0081, 0}, Decoding{0x00E0, 0}, Decoding{0x8540, 0}, Decoding{0x827F, 0},
                    Decoding{0x82FD, 0}, Decoding{0xA1A1, 0}),
    decodingName);

TEST(Cp932TableTest, DefinesAllCodesOfTheCodePage) {
    int defined = 0;
    for (const std::uint16_t code : allCodes()) defined += (Cp932ToUnicode(code) != 0 || code == 0) ? 1 : 0;
    EXPECT_EQ(defined, 9800);
}

}  // namespace
}  // namespace pelmora
