// SPDX-License-Identifier: MIT
// The keys of the list's columns. A sort key is a plain signed int, as the
// settings store it: a column's key, negative for descending.
#pragma once

namespace pelmora {

inline constexpr int KeySender = 1;
inline constexpr int KeySubject = 2;
inline constexpr int KeyReceived = 3;
inline constexpr int KeySize = 4;
inline constexpr int KeyFolder = 5;
inline constexpr int KeyRecipients = 6;
inline constexpr int KeySent = 7;
inline constexpr int KeyDupHash = 100;

}  // namespace pelmora
