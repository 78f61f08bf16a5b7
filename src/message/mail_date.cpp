// SPDX-License-Identifier: MIT
#include "message/mail_date.h"

#include <sys/mman.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <new>
#include <optional>

namespace pelmora {

namespace {

constexpr std::int64_t SecondsPerDay = 86400;
constexpr std::int64_t MsPerDay = SecondsPerDay * 1000;
// Days from 1899-12-30 (day 0 of a DateTime) to 1970-01-01.
constexpr std::int64_t UnixEpochDays = 25569;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t FileTimeEpochSeconds = 11644473600;
constexpr std::int64_t FileTimeUnitsPerSecond = 10'000'000;

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : Days[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
// days_from_civil).
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// The offset east of UTC, in seconds, that the C library gives for instant.
std::optional<long> offsetFromLibrary(time_t instant) {
    std::tm local{};
    if (localtime_r(&instant, &local) == nullptr) return std::nullopt;
    return local.tm_gmtoff;
}

// The zone offset in force at a UTC instant. A folder load asks for three
// per message and localtime_r is slow, so offsets are kept per UTC day for
// the days on which the offset does not change (it is the same at the
// day's start, middle and last second); the few days with a change are
// asked of the library each time. One slot per day of 45 years, per
// thread. The rules localtime_r uses change only when tzset() loads new
// ones, and that rewrites tzname, timezone and daylight: the slots are
// dropped when those differ from what they were. The slots are mapped from
// the system, which hands out zeroed pages only when they are first used (a
// zero key marks an empty slot), so that a thread's memory holds only the
// pages of the days it asked about: a load runs dozens of reader threads.
// The allocator would zero the whole table wherever it reused memory.
std::optional<long> zoneOffsetAt(time_t instant) {
    struct Day {
        std::uint32_t key;  // the day number with its sign bit flipped; 0: empty
        std::int32_t offset;
    };
    struct Zone {
        const char* standardName = nullptr;
        const char* daylightName = nullptr;
        long standardOffset = 0;
        int hasDaylight = 0;
        bool operator==(const Zone&) const = default;
    };
    constexpr std::size_t Slots = 16384;
    struct Unmap {
        void operator()(Day* days) const { ::munmap(days, Slots * sizeof(Day)); }
    };
    thread_local std::unique_ptr<Day[], Unmap> days;
    thread_local Zone zone;
    // A slot is first read and only then written, and reading a page that
    // was never written maps the system's shared zero page, which the first
    // write must then replace: that flushes the address cache of every
    // processor the process runs on, and a load's dozens of reader threads
    // each did so for every page of their tables. Writing to a page first
    // gets it its own zeroed page at once. One bit per 4 KiB of the table
    // (the smallest page) marks what this thread has written to.
    constexpr std::size_t SlotsPerChunk = 4096 / sizeof(Day);
    static_assert(Slots / SlotsPerChunk <= 32);
    thread_local std::uint32_t written = 0;

    const std::int64_t seconds = instant;
    const std::int64_t number = seconds / SecondsPerDay - (seconds % SecondsPerDay < 0 ? 1 : 0);
    // The lowest number is left out: its key would be the empty one.
    if (number < std::numeric_limits<std::int32_t>::min() + 1 ||
        number > std::numeric_limits<std::int32_t>::max())
        return offsetFromLibrary(instant);
    const Zone current{tzname[0], tzname[1], timezone, daylight};
    if (!days || current != zone) {
        days.reset();
        void* pages =
            ::mmap(nullptr, Slots * sizeof(Day), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) throw std::bad_alloc();
        days.reset(static_cast<Day*>(pages));
        zone = current;
        written = 0;
    }
    const std::uint32_t key = static_cast<std::uint32_t>(static_cast<std::int32_t>(number)) ^ 0x80000000u;
    const std::uint64_t slot = static_cast<std::uint64_t>(number) % Slots;
    Day& day = days[slot];
    if (const std::uint32_t chunk = 1u << (slot / SlotsPerChunk); (written & chunk) == 0) {
        // Nothing in this chunk was written yet, so the slot holds zero.
        *static_cast<volatile std::uint32_t*>(&day.key) = 0;
        written |= chunk;
    }
    if (day.key == key) return day.offset;

    const auto start = static_cast<time_t>(number * SecondsPerDay);
    const std::optional<long> first = offsetFromLibrary(start);
    const std::optional<long> middle = offsetFromLibrary(start + SecondsPerDay / 2);
    const std::optional<long> last = offsetFromLibrary(start + SecondsPerDay - 1);
    // The first call of localtime_r in the process loads the rules.
    if (Zone{tzname[0], tzname[1], timezone, daylight} != zone) return offsetFromLibrary(instant);
    if (first && middle && last && *first == *middle && *middle == *last) {
        day = Day{key, static_cast<std::int32_t>(*first)};
        return *first;
    }
    return offsetFromLibrary(instant);
}

}  // namespace

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return 0;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return 0;
    const std::int64_t days = daysFromCivil(year, month, day) + UnixEpochDays;
    return static_cast<double>(days) +
           static_cast<double>(hour * 3600 + minute * 60 + second) / SecondsPerDay;
}

DateTimeParts DecodeDateTime(DateTime value) {
    // Rounded to the millisecond first, so that a value a hair below a full
    // minute shows that minute rather than the one before.
    const auto total = static_cast<std::int64_t>(std::llround(value * static_cast<double>(MsPerDay)));
    std::int64_t days = total / MsPerDay;
    std::int64_t ms = total % MsPerDay;
    if (ms < 0) {
        ms += MsPerDay;
        --days;
    }
    DateTimeParts parts{};
    civilFromDays(days - UnixEpochDays, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(ms / 3'600'000);
    parts.minute = static_cast<int>(ms / 60'000 % 60);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.millisecond = static_cast<int>(ms % 1000);
    return parts;
}

std::string_view WriteDateText(DateTime value, char (&text)[DateTextSize]) {
    // Written digit by digit: every row of a folder load formats two dates.
    const DateTimeParts p = DecodeDateTime(value > DateCeiling ? DateCeiling : value);
    std::memcpy(text, "0000/00/00 00:00", DateTextSize);
    auto put = [&text](std::size_t end, int number, int digits) {
        number = number < 0 ? 0 : number;
        for (int i = 0; i < digits; ++i, number /= 10)
            text[end - static_cast<std::size_t>(i)] = static_cast<char>('0' + number % 10);
    };
    put(3, p.year, 4);
    put(6, p.month, 2);
    put(9, p.day, 2);
    put(12, p.hour, 2);
    put(15, p.minute, 2);
    return {text, DateTextSize};
}

std::string DateText(DateTime value) {
    char text[DateTextSize];
    return std::string(WriteDateText(value, text));
}

std::uint64_t FileTimeFromTimespec(const struct timespec& time) {
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + FileTimeEpochSeconds;
    if (seconds < 0) return 0;
    return static_cast<std::uint64_t>(seconds) * FileTimeUnitsPerSecond +
           static_cast<std::uint64_t>(time.tv_nsec / 100);
}

struct timespec TimespecFromFileTime(std::uint64_t fileTime) {
    struct timespec time {};
    time.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(fileTime / FileTimeUnitsPerSecond) -
                                      FileTimeEpochSeconds);
    time.tv_nsec = static_cast<long>(fileTime % FileTimeUnitsPerSecond) * 100;
    return time;
}

DateTime FileDateFromFileTime(std::uint64_t fileTime) {
    const std::int64_t utc =
        static_cast<std::int64_t>(fileTime / FileTimeUnitsPerSecond) - FileTimeEpochSeconds;
    const std::optional<long> offset = zoneOffsetAt(static_cast<time_t>(utc));
    if (!offset) return 0;
    const std::int64_t local = utc + *offset;
    std::int64_t days = local / SecondsPerDay;
    std::int64_t second = local % SecondsPerDay;
    if (second < 0) {
        second += SecondsPerDay;
        --days;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    civilFromDays(days, year, month, day);
    // File dates keep the two-second steps of the FAT date format.
    second &= ~std::int64_t{1};
    return EncodeDateTime(year, month, day, static_cast<int>(second / 3600),
                          static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
}

DateTime LocalFromUtc(DateTime utc) {
    // The offset in force at that instant, not the one in force now.
    const double seconds = std::floor((utc - UnixEpochDays) * SecondsPerDay + 0.5);
    const std::optional<long> offset = zoneOffsetAt(static_cast<time_t>(seconds));
    if (!offset) return utc;
    return utc + static_cast<double>(*offset) / SecondsPerDay;
}

std::string TrimCtl(std::string_view text) {
    auto removable = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 32 && byte != 27;
    };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && removable(text[begin])) ++begin;
    while (end > begin && removable(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace pelmora
