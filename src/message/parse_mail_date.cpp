// SPDX-License-Identifier: MIT
// The lenient reading of mail dates: RFC 822 dates, and the odd forms mail
// programs write (dashes between the date parts, two-digit years, the
// month first with the time before the year, AM/PM, zone names).
#include "message/parse_mail_date.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "decode/ascii.h"
#include "message/mail_date.h"

namespace pelmora {

namespace {

using View = std::string_view;

// Takes the text up to delimiter off rest (the delimiter is dropped too;
// without one the whole rest is taken), then skips the blanks that follow.
View fetch(View& rest, char delimiter) {
    const std::size_t at = rest.find(delimiter);
    View token = rest.substr(0, at);
    rest = at == View::npos ? View{} : ascii::TrimLeftBlanksAndControls(rest.substr(at + 1));
    return token;
}

// A decimal number of at most nine digits, or -1.
int number(View text) {
    if (text.empty() || text.size() > 9) return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Three letters folded to lower case in one number, or 0 when text is not
// three characters long.
std::uint32_t threeLetterKey(View text) {
    if (text.size() != 3) return 0;
    return static_cast<std::uint32_t>(static_cast<unsigned char>(ascii::ToLower(text[0]))) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(ascii::ToLower(text[1]))) << 8 |
           static_cast<unsigned char>(ascii::ToLower(text[2]));
}

constexpr std::uint32_t keyOf(const char (&name)[4]) {
    return static_cast<std::uint32_t>(name[0]) << 16 | static_cast<std::uint32_t>(name[1]) << 8 |
           static_cast<std::uint32_t>(name[2]);
}

bool isDayName(View text) {
    static constexpr std::array<std::uint32_t, 7> Days = {
        keyOf("sun"), keyOf("mon"), keyOf("tue"), keyOf("wed"), keyOf("thu"), keyOf("fri"), keyOf("sat")};
    const std::uint32_t key = threeLetterKey(text.substr(0, 3));
    for (std::uint32_t day : Days)
        if (key == day) return true;
    return false;
}

// 1-12 for an exact three-letter month name, else 0.
int monthNumber(View token) {
    static constexpr std::array<std::uint32_t, 12> Months = {
        keyOf("jan"), keyOf("feb"), keyOf("mar"), keyOf("apr"), keyOf("may"), keyOf("jun"),
        keyOf("jul"), keyOf("aug"), keyOf("sep"), keyOf("oct"), keyOf("nov"), keyOf("dec")};
    const std::uint32_t key = threeLetterKey(token);
    for (std::size_t i = 0; i < Months.size(); ++i)
        if (key == Months[i]) return static_cast<int>(i) + 1;
    return 0;
}

// Minutes east of UTC from "+HHMM" / "-HHMM"; anything else counts as 0.
int zoneMinutes(View rest) {
    if (rest.size() <= 4) return 0;
    const View zone = ascii::TrimBlanksAndControls(rest).substr(0, 5);
    if (zone.size() < 5 || (zone[0] != '+' && zone[0] != '-')) return 0;
    const int hours = number(zone.substr(1, 2));
    const int minutes = number(zone.substr(3, 2));
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return 0;
    return (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 1;
};

// Takes the date from the front of rest: an optional day name, then day,
// month and year in either order. Leaves rest at what follows (the time of
// day, or for the form with the time before the year, the time itself).
// False when there is no year.
bool takeDate(View& rest, CalendarDate& date) {
    // A leading day name goes, also when no blank follows its comma.
    if (rest.size() >= 3 && isDayName(rest)) {
        if (rest.size() >= 4 && rest[3] == ',')
            rest = ascii::TrimLeftBlanksAndControls(rest.substr(4));
        else
            fetch(rest, ' ');
    }

    // Some servers separate the date parts with dashes (07-Sep-2001).
    const std::size_t dash = rest.find('-');
    const std::size_t blank = rest.find(' ');
    const char separator =
        dash != View::npos && dash >= 1 && (blank == View::npos || dash < blank) ? '-' : ' ';

    // The day first, or the month first (Sep 7 2001).
    if (monthNumber(rest.substr(0, rest.find(separator))) != 0) {
        date.month = monthNumber(fetch(rest, separator));
        const int value = number(fetch(rest, separator));
        date.day = value < 0 ? 1 : value;
    } else {
        const int value = number(fetch(rest, separator));
        date.day = value < 0 ? 1 : value;
        date.month = monthNumber(fetch(rest, separator));
    }

    // When the year's token is not a number the time came first
    // (Sep 7 12:00:00 2001) and the year is what follows it.
    const View yearToken = fetch(rest, ' ');
    int year = number(yearToken);
    if (year < 0) {
        year = number(rest);
        rest = yearToken;
    }
    if (year < 0) return false;
    date.year = year + (year < 80 ? 2000 : year < 100 ? 1900 : 0);
    return true;
}

// The seconds since midnight of the time of day at the front of rest, on a
// 24-hour or a 12-hour clock; missing or unreadable parts count as 0, -1
// when a part is out of range. Leaves rest at the zone.
int takeTimeOfDay(View& rest) {
    enum class Half { None, Morning, Afternoon } half = Half::None;
    if (const std::size_t at = rest.find("AM"); at != View::npos) {
        half = Half::Morning;
        rest = rest.substr(0, at);
    } else if (const std::size_t pm = rest.find("PM"); pm != View::npos) {
        half = Half::Afternoon;
        rest = rest.substr(0, pm);
    }

    int hour = 0;
    int minute = 0;
    int second = 0;
    if (rest.find(':') != View::npos) {
        rest = ascii::TrimLeftBlanksAndControls(rest);
        View time = fetch(rest, ' ');
        int* const parts[3] = {&hour, &minute, &second};
        for (int* part : parts) {
            if (time.empty()) break;
            const int value = number(fetch(time, ':'));
            *part = value < 0 ? 0 : value;
        }
        if (half == Half::Morning && hour == 12) hour = 0;
        if (half == Half::Afternoon && hour < 12) hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59) return -1;
    return hour * 3600 + minute * 60 + second;
}

}  // namespace

DateTime ParseMailDate(std::string_view text) {
    View rest = ascii::TrimBlanksAndControls(text);
    if (rest.empty()) return 0;
    CalendarDate date;
    if (!takeDate(rest, date)) return 0;
    const int seconds = takeTimeOfDay(rest);

    // Anything out of range spoils the whole date.
    DateTime result = EncodeDateTime(date.year, date.month, date.day, 0, 0, 0);
    if (result == 0 || seconds < 0) return 0;
    result += static_cast<double>(seconds) / 86400.0;

    // To UTC (zone names count as UTC), then to local time by the rules in
    // force at that date, no later than the last date the list can show.
    result -= static_cast<double>(zoneMinutes(rest)) / 1440.0;
    return std::min(LocalFromUtc(result), DateCeiling);
}

}  // namespace pelmora
