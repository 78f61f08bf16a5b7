// SPDX-License-Identifier: MIT
// The keys of the list's columns and their captions. A sort key is a plain
// signed int, as the settings store it: a column's key, negative for
// descending.
#pragma once

#include <string_view>

namespace pelmora {

inline constexpr int KeySender = 1;
inline constexpr int KeySubject = 2;
inline constexpr int KeyReceived = 3;
inline constexpr int KeySize = 4;
inline constexpr int KeyFolder = 5;
inline constexpr int KeyRecipients = 6;
inline constexpr int KeySent = 7;
inline constexpr int KeyDupHash = 100;

// The caption of a column key ("差出人", ...); empty for a key without one.
std::string_view ColumnCaption(int key);

}  // namespace pelmora
