// SPDX-License-Identifier: MIT
// The command line's output helpers: TSV escaping and the output encoding.
#include "cli/text_output.h"

#include <gtest/gtest.h>

#include "decode/hex.h"
#include "support/table_test.h"

namespace pelmora {
namespace {

using test::Case;
using test::caseName;
using test::Hex;

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
