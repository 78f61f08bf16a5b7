// SPDX-License-Identifier: MIT
#include "message/mail_date.h"

#include <sys/mman.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>
#include <mutex>
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

// Held around every call of localtime_r made here: each call rewrites
// tzname (clearing it, then setting it again), so a thread reading it while
// another's call runs would take the passing values for a new zone.
std::mutex& libraryLock() {
    static std::mutex lock;
    return lock;
}

// The offset east of UTC, in seconds, that the C library gives for
// instant; the caller holds the library lock.
std::optional<long> offsetLocked(time_t instant) {
    std::tm local{};
    if (localtime_r(&instant, &local) == nullptr) return std::nullopt;
    return local.tm_gmtoff;
}

std::optional<long> offsetFromLibrary(time_t instant) {
    const std::lock_guard guard(libraryLock());
    return offsetLocked(instant);
}

// The zone offset in force at a UTC instant. A folder load asks for three
// per message and localtime_r is slow (and takes a lock every thread
// shares), so offsets are kept per UTC day for the days on which the offset
// does not change (it is the same at the day's start, middle and last
// second); the few days with a change are asked of the library each time.
//
// One table of 45 years of days serves every thread: a load runs dozens of
// reader threads, and a table of their own made each of them ask the
// library about every day again and fault in pages of its own. A slot is
// one 64-bit word (day, offset and zone generation), so a thread reads
// either a whole answer or none, whatever the others write at the same time.
//
// The rules localtime_r uses change only when tzset() loads new ones, and
// that rewrites tzname, timezone and daylight: when a thread sees those
// differ from the zone it last worked in, it moves to the zone's generation,
// starting a new one when the zone is not the one the table last served;
// slots of other generations count as empty. (The generation has 20 bits:
// only a slot left unwritten through a million zone changes could be taken
// for the current zone's.)
namespace zone_table {

constexpr std::size_t Slots = 16384;
// Days from 1970 that the table keeps (about 11,000 years either way) and
// offsets it can hold (six days either way, more than any zone uses).
constexpr int DayBits = 24;
constexpr int OffsetBits = 20;
constexpr int GenerationBits = 64 - DayBits - OffsetBits;
constexpr std::int64_t DayLimit = std::int64_t{1} << (DayBits - 2);
constexpr std::int64_t OffsetLimit = std::int64_t{1} << (OffsetBits - 1);
constexpr std::uint64_t GenerationMask = (std::uint64_t{1} << GenerationBits) - 1;

struct Zone {
    const char* standardName = nullptr;
    const char* daylightName = nullptr;
    long standardOffset = 0;
    int hasDaylight = 0;
    bool operator==(const Zone&) const = default;
};

Zone currentZone() {
    return Zone{tzname[0], tzname[1], timezone, daylight};
}

// Populated when mapped, so that no thread's first store replaces the
// shared zero page, which would flush every processor's address cache.
std::uint64_t* table() {
    static std::uint64_t* const slots = [] {
        void* pages = ::mmap(nullptr, Slots * sizeof(std::uint64_t), PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (pages == MAP_FAILED) throw std::bad_alloc();
        return static_cast<std::uint64_t*>(pages);
    }();
    return slots;
}

// The generation of the zone in force, which the calling thread now works
// in; zone is set to it. Read under the library lock, where no call of ours
// is changing it halfway.
std::uint64_t generationOf(Zone& zone) {
    static Zone served;
    static std::uint64_t generation = 0;
    const std::lock_guard guard(libraryLock());
    zone = currentZone();
    if (zone != served) {
        served = zone;
        generation = (generation + 1) & GenerationMask;
    }
    return generation;
}

// Day number (within DayLimit) and generation in the upper bits, the
// offset in the lower ones; never 0, the empty slot.
std::uint64_t tagOf(std::int64_t number, std::uint64_t generation) {
    return (static_cast<std::uint64_t>(number + DayLimit + 1) << GenerationBits | generation) << OffsetBits;
}

}  // namespace zone_table

std::optional<long> zoneOffsetAt(time_t instant) {
    using namespace zone_table;
    thread_local Zone zone;
    thread_local std::uint64_t generation = 0;
    thread_local bool known = false;

    const std::int64_t seconds = instant;
    const std::int64_t number = seconds / SecondsPerDay - (seconds % SecondsPerDay < 0 ? 1 : 0);
    if (number < -DayLimit || number >= DayLimit) return offsetFromLibrary(instant);
    if (!known || currentZone() != zone) {
        generation = generationOf(zone);
        known = true;
    }
    const std::uint64_t tag = tagOf(number, generation);
    std::atomic_ref<std::uint64_t> slot(table()[static_cast<std::uint64_t>(number) % Slots]);
    constexpr std::uint64_t OffsetMask = (std::uint64_t{1} << OffsetBits) - 1;
    if (const std::uint64_t word = slot.load(std::memory_order_relaxed); (word & ~OffsetMask) == tag)
        return static_cast<long>(static_cast<std::int64_t>(word & OffsetMask) - OffsetLimit);

    const auto start = static_cast<time_t>(number * SecondsPerDay);
    std::optional<long> dayOffset;
    {
        const std::lock_guard guard(libraryLock());
        const std::optional<long> first = offsetLocked(start);
        const std::optional<long> middle = offsetLocked(start + SecondsPerDay / 2);
        const std::optional<long> last = offsetLocked(start + SecondsPerDay - 1);
        // The first call of localtime_r in the process loads the rules.
        if (currentZone() == zone && first && middle && last && *first == *middle && *middle == *last)
            dayOffset = first;
    }
    if (!dayOffset) return offsetFromLibrary(instant);
    if (*dayOffset >= -OffsetLimit && *dayOffset < OffsetLimit)
        slot.store(tag | static_cast<std::uint64_t>(*dayOffset + OffsetLimit), std::memory_order_relaxed);
    return dayOffset;
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
