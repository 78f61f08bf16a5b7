// SPDX-License-Identifier: MIT
#include "message/format.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

struct CountRow {
    const char* name;
    std::int64_t value;
    const char* text;
};
void PrintTo(const CountRow& row, std::ostream* out) {
    *out << row.name;
}

class FormatCountTest : public testing::TestWithParam<CountRow> {};

TEST_P(FormatCountTest, GroupsThousands) {
    EXPECT_EQ(FormatCount(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatCountTest,
    testing::Values(CountRow{"zero", 0, "0"}, CountRow{"three_digits_no_separator", 999, "999"},
                    CountRow{"four_digits", 1234, "1,234"}, CountRow{"exact_thousand", 1000, "1,000"},
                    CountRow{"six_digits", 100000, "100,000"}, CountRow{"seven_digits", 1234567, "1,234,567"},
                    CountRow{"negative", -1234, "-1,234"},
                    CountRow{"smallest_int64", INT64_MIN, "-9,223,372,036,854,775,808"}),
    [](const auto& row) { return std::string(row.param.name); });

struct SizeRow {
    const char* name;
    std::int64_t bytes;
    const char* text;
};
void PrintTo(const SizeRow& row, std::ostream* out) {
    *out << row.name;
}

class SizeKBTest : public testing::TestWithParam<SizeRow> {};

TEST_P(SizeKBTest, RoundsHalfUpAndNeverBelowOne) {
    EXPECT_EQ(SizeKBText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, SizeKBTest,
                         testing::Values(SizeRow{"empty_file_is_1KB", 0, "1"},
                                         SizeRow{"below_half_is_raised_to_1", 100, "1"},
                                         SizeRow{"exact_1KB", 1024, "1"},
                                         SizeRow{"just_below_half_rounds_down", 1535, "1"},
                                         SizeRow{"half_rounds_up", 1536, "2"},
                                         SizeRow{"ten_thousand_KB_grouped", 10240000, "10,000"},
                                         SizeRow{"beyond_32_bits", 5LL * 1024 * 1024 * 1024, "5,242,880"}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace pelmora
