// SPDX-License-Identifier: MIT
#include "message/mail_date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <thread>
#include <vector>

#include "message/parse_mail_date.h"
#include "message_test_support.h"

namespace pelmora::test {
namespace {

struct DateCase {
    const char* name;
    const char* tz;
    const char* text;
    const char* expected;  // DateText, or "" for a failed parse (0)
};

class ParseMailDateCases : public testing::TestWithParam<DateCase> {};

TEST_P(ParseMailDateCases, GivesLocalTime) {
    const DateCase& c = GetParam();
    ScopedTimeZone tz(c.tz);
    const DateTime value = ParseMailDate(c.text);
    if (c.expected[0] == '\0')
        EXPECT_EQ(value, 0) << DateText(value);
    else
        EXPECT_EQ(DateText(value), c.expected) << c.text;
}

constexpr const char* Utc = "UTC0";

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseMailDateCases,
    testing::Values(
        DateCase{"NumericZoneSameAsLocal", TokyoTz, "Tue, 1 Jan 2008 10:00:00 +0900", "2008/01/01 10:00"},
        DateCase{"ZoneNameGmtCountsAsUtc", TokyoTz, "Tue, 1 Jan 2008 10:00:00 GMT", "2008/01/01 19:00"},
        DateCase{"ZoneNameJstCountsAsUtc", TokyoTz, "Tue, 1 Jan 2008 10:00:00 JST", "2008/01/01 19:00"},
        DateCase{"NegativeZoneCrossesMidnight", TokyoTz, "Mon, 31 Dec 2007 20:30:00 -0500",
                 "2008/01/01 10:30"},
        DateCase{"ZoneWithMinutes", Utc, "1 Jan 2008 10:00:00 +0530", "2008/01/01 04:30"},
        DateCase{"ZoneCommentAfterOffset", Utc, "1 Jan 2008 10:00:00 +0100 (CET)", "2008/01/01 09:00"},
        DateCase{"ZoneNotNumericCountsAsZero", Utc, "1 Jan 2008 10:00:00 +09x0", "2008/01/01 10:00"},
        DateCase{"ZoneOutOfRangeCountsAsZero", Utc, "1 Jan 2008 10:00:00 +2500", "2008/01/01 10:00"},
        DateCase{"ShortZoneIgnored", Utc, "1 Jan 2008 10:00:00 +900", "2008/01/01 10:00"},
        DateCase{"TwoDigitYearBelow80", Utc, "1 Jan 08 10:00", "2008/01/01 10:00"},
        DateCase{"TwoDigitYearFrom80", Utc, "1 Jan 99 10:00", "1999/01/01 10:00"},
        DateCase{"MonthFirstTimeBeforeYear", Utc, "Sep 7 12:00:00 2001", "2001/09/07 12:00"},
        DateCase{"DayNameMonthFirst", Utc, "Fri, Sep 7 2001 08:15:00 +0000", "2001/09/07 08:15"},
        DateCase{"NoBlankAfterDayComma", Utc, "Tue,1 Jan 2008 10:00:00 +0000", "2008/01/01 10:00"},
        DateCase{"LongDayName", Utc, "Tuesday, 1 Jan 2008 10:00:00 +0000", "2008/01/01 10:00"},
        DateCase{"NoDayName", Utc, "1 Jan 2008 10:00:00 +0000", "2008/01/01 10:00"},
        DateCase{"DashSeparated", Utc, "07-Sep-2001 10:11:12 +0000", "2001/09/07 10:11"},
        DateCase{"ExtraBlanks", Utc, "  Tue,  1  Jan  2008   10:00:00   +0000  ", "2008/01/01 10:00"},
        DateCase{"LowerCaseNames", Utc, "tue, 1 jan 2008 10:00:00 +0000", "2008/01/01 10:00"},
        DateCase{"NoTime", Utc, "1 Jan 2008", "2008/01/01 00:00"},
        DateCase{"HourOnly", Utc, "1 Jan 2008 7: +0000", "2008/01/01 07:00"},
        DateCase{"MorningTwelve", Utc, "1 Jan 2008 12:30:00 AM", "2008/01/01 00:30"},
        DateCase{"AfternoonOne", Utc, "1 Jan 2008 1:30:00 PM", "2008/01/01 13:30"},
        DateCase{"AfternoonTwelve", Utc, "1 Jan 2008 12:15 PM", "2008/01/01 12:15"},
        DateCase{"DayNotANumberCountsAsFirst", Utc, "x Jan 2008 10:00", "2008/01/01 10:00"},
        DateCase{"LeapDay", Utc, "29 Feb 2008 10:00", "2008/02/29 10:00"},
        DateCase{"BeforeFloorStillParsed", Utc, "1 Jan 1975 10:00 +0000", "1975/01/01 10:00"},
        DateCase{"Empty", Utc, "", ""}, DateCase{"OnlyBlanks", Utc, " \t ", ""},
        DateCase{"UnknownMonth", Utc, "1 Foo 2008 10:00", ""},
        DateCase{"ThirtyFirstOfApril", Utc, "31 Apr 2008 10:00", ""},
        DateCase{"NotALeapYear", Utc, "29 Feb 2007 10:00", ""},
        DateCase{"Hour24", Utc, "1 Jan 2008 24:00", ""}, DateCase{"Minute60", Utc, "1 Jan 2008 10:60", ""},
        DateCase{"NoYear", Utc, "1 Jan", ""}, DateCase{"Garbage", Utc, "not a date at all", ""},
        // Past the year 9999 the list would show a wrapped year (0000/01/01).
        DateCase{"ZoneCarriesPastLastYear", Utc, "31 Dec 9999 23:59:59 -2359", "9999/12/31 23:59"},
        DateCase{"LocalTimeCarriesPastLastYear", TokyoTz, "31 Dec 9999 20:00:00 +0000", "9999/12/31 23:59"},
        DateCase{"LastMinuteKept", Utc, "31 Dec 9999 23:58:00 +0000", "9999/12/31 23:58"}),
    [](const testing::TestParamInfo<DateCase>& row) { return std::string(row.param.name); });

// The offset added is the one in force at the message's date, whatever
// the season in which the folder is read.
TEST(ParseMailDate, UsesDaylightSavingStateOfTheMessageDate) {
    ScopedTimeZone tz(BerlinTz);
    EXPECT_EQ(DateText(ParseMailDate("Mon, 1 Jul 2024 12:00:00 +0000")), "2024/07/01 14:00");
    EXPECT_EQ(DateText(ParseMailDate("Wed, 1 Jan 2025 12:00:00 +0000")), "2025/01/01 13:00");
    // The night the clocks go back: 00:30 UTC is still summer time.
    EXPECT_EQ(DateText(ParseMailDate("Sun, 27 Oct 2024 00:30:00 +0000")), "2024/10/27 02:30");
    EXPECT_EQ(DateText(ParseMailDate("Sun, 27 Oct 2024 01:30:00 +0000")), "2024/10/27 02:30");
}

// Instants from first on, step seconds apart, for which LocalFromUtc and
// the C library disagree.
int offsetMismatches(time_t first, time_t last, time_t step) {
    int mismatches = 0;
    for (time_t t = first; t < last; t += step) {
        std::tm local{};
        if (localtime_r(&t, &local) == nullptr) return -1;
        const DateTime utc = static_cast<double>(t) / 86400.0 + 25569.0;
        const DateTime expected = utc + static_cast<double>(local.tm_gmtoff) / 86400.0;
        if (std::abs(LocalFromUtc(utc) - expected) > 1e-9) ++mismatches;
    }
    return mismatches;
}

constexpr time_t Year2023 = 1'672'531'200;  // 2023-01-01 00:00 UTC
constexpr time_t Year2026 = 1'767'225'600;

// Offsets are remembered per day; every instant of three years, including
// the days the clocks change, must still get what the C library says, and
// a change of zone must not leave the previous zone's offsets behind.
TEST(LocalFromUtc, AgreesWithTheLibraryAcrossClockChangesAndZoneSwitches) {
    for (const char* zone : {BerlinTz, "EST5EDT,M3.2.0,M11.1.0", TokyoTz, BerlinTz}) {
        ScopedTimeZone tz(zone);
        EXPECT_EQ(offsetMismatches(Year2023, Year2026, 17 * 60 + 13), 0) << zone;
    }
}

// The remembered offsets are shared by the reader threads of a load, which
// fill and read them at the same time.
TEST(LocalFromUtc, ThreadsSharingTheRememberedOffsetsAgreeWithTheLibrary) {
    ScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < mismatches.size(); ++i)
        threads.emplace_back([&mismatches, i] {
            mismatches[i] = offsetMismatches(Year2023 + static_cast<time_t>(i) * 7919, Year2026, 3607);
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(DateTime, EncodeAndDecodeAgree) {
    EXPECT_EQ(EncodeDateTime(1980, 1, 1, 0, 0, 0), DateFloor);
    EXPECT_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0), 0);
    EXPECT_EQ(EncodeDateTime(2008, 2, 30, 0, 0, 0), 0);
    const DateTime value = EncodeDateTime(2024, 2, 29, 23, 59, 58);
    const DateTimeParts parts = DecodeDateTime(value);
    EXPECT_EQ(parts.year, 2024);
    EXPECT_EQ(parts.month, 2);
    EXPECT_EQ(parts.day, 29);
    EXPECT_EQ(parts.hour, 23);
    EXPECT_EQ(parts.minute, 59);
    EXPECT_EQ(parts.second, 58);
    EXPECT_EQ(DateText(EncodeDateTime(2001, 9, 7, 9, 5, 59)), "2001/09/07 09:05");
}

TEST(DateTime, ValueJustBelowAMinuteShowsThatMinute) {
    // 10:00 computed with a rounding error must not show 09:59.
    const DateTime tenOClock = EncodeDateTime(2008, 1, 1, 10, 0, 0) - 1e-10;
    EXPECT_EQ(DateText(tenOClock), "2008/01/01 10:00");
}

TEST(FileTime, RoundTripsThroughTimespec) {
    const struct timespec epoch {};
    EXPECT_EQ(FileTimeFromTimespec(epoch), 116444736000000000ull);
    const struct timespec some { 1'199'181'603, 123'456'700 };
    const std::uint64_t fileTime = FileTimeFromTimespec(some);
    const struct timespec back = TimespecFromFileTime(fileTime);
    EXPECT_EQ(back.tv_sec, some.tv_sec);
    EXPECT_EQ(back.tv_nsec, some.tv_nsec);
}

TEST(FileTime, FileDateIsLocalAtEvenSeconds) {
    // 2008-01-01 10:00:03 UTC.
    const std::uint64_t fileTime = FileTimeFromTimespec({1'199'181'603, 0});
    {
        ScopedTimeZone tz(TokyoTz);
        const DateTimeParts parts = DecodeDateTime(FileDateFromFileTime(fileTime));
        EXPECT_EQ(parts.hour, 19);
        EXPECT_EQ(parts.second, 2);
    }
    {
        ScopedTimeZone tz(BerlinTz);
        EXPECT_EQ(DateText(FileDateFromFileTime(fileTime)), "2008/01/01 11:00");
    }
}

struct TrimCase {
    const char* name;
    std::string text;
    std::string expected;
};

class TrimCtlCases : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimCtlCases, KeepsEscape) {
    EXPECT_EQ(Hex(TrimCtl(GetParam().text)), Hex(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimCtlCases,
    testing::Values(TrimCase{"BlanksAndControls", " \t\r\nabc \x01\x1F", "abc"},
                    TrimCase{"InnerBlanksKept", "  a b  ", "a b"}, TrimCase{"OnlyBlanks", " \t\r\n", ""},
                    TrimCase{"Empty", "", ""},
                    TrimCase{"TrailingEscapeKept", "\x1B$B$\"\x1B(B \t", "\x1B$B$\"\x1B(B"},
                    TrimCase{"LeadingEscapeKept", " \x1B(B abc", "\x1B(B abc"},
                    TrimCase{"OnlyEscape", " \x1B ", "\x1B"},
                    TrimCase{"HighBytesKept", "\x81\x40x\x81\x40", "\x81\x40x\x81\x40"}),
    [](const testing::TestParamInfo<TrimCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace pelmora::test
