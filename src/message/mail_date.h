// SPDX-License-Identifier: MIT
// Mail dates and the program's date-time values (days since 1899-12-30 in
// the integer part, time of day in the fraction, local time).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "message/msg_item.h"

namespace pelmora {

// 1980-01-01 00:00: no sent or received date earlier than this is kept.
inline constexpr DateTime DateFloor = 29221.0;
// 9999-12-31 23:59:59, the last second a four-digit year can show; later
// dates (a zone or the local offset carrying 31 Dec 9999 over) are held here.
inline constexpr DateTime DateCeiling = 2958465.0 + 86399.0 / 86400.0;

// A UTC DateTime as local time, with the offset in force at that instant.
DateTime LocalFromUtc(DateTime utc);

// "YYYY/MM/DD HH:MM", zero-padded, 24-hour; values past DateCeiling show it.
std::string DateText(DateTime value);
// The same 16 bytes written into text, without an allocation: a folder load
// formats three for every message.
constexpr std::size_t DateTextSize = 16;
std::string_view WriteDateText(DateTime value, char (&text)[DateTextSize]);

// A local calendar date and time as a DateTime; 0 when invalid.
DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second);
struct DateTimeParts {
    int year, month, day, hour, minute, second, millisecond;
};
DateTimeParts DecodeDateTime(DateTime value);

// File times in the Windows form (100-ns units since 1601-01-01 UTC).
std::uint64_t FileTimeFromTimespec(const struct timespec& time);
struct timespec TimespecFromFileTime(std::uint64_t fileTime);
// The local DateTime of a file time, at two-second resolution (even seconds).
DateTime FileDateFromFileTime(std::uint64_t fileTime);

// Removes from both ends every byte of value 32 or less except ESC.
std::string TrimCtl(std::string_view text);

}  // namespace pelmora
