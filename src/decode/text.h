// SPDX-License-Identifier: MIT
// Upper-casing and case-insensitive comparison of display text. Both fold
// the ASCII letters a-z and the full-width letters ａ-ｚ, character by
// character, so the second byte of a double-byte character is never changed
// on its own and every character keeps its length.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

// Full-width ａ-ｚ are 0x82 0x81-0x9A; their capitals Ａ-Ｚ are 0x82 0x60-0x79.
inline bool IsFullWidthSmallLetter(std::uint8_t lead, std::uint8_t trail) {
    return lead == 0x82 && trail >= 0x81 && trail <= 0x9A;
}
// Either case: the full-width characters upper-casing changes or makes.
inline bool IsFullWidthLetter(std::uint8_t lead, std::uint8_t trail) {
    return IsFullWidthSmallLetter(lead, trail) || (lead == 0x82 && trail >= 0x60 && trail <= 0x79);
}
// The second byte of the capital of the full-width small letter ending in trail.
inline std::uint8_t FullWidthCapitalTrail(std::uint8_t trail) {
    return static_cast<std::uint8_t>(trail - 0x21);
}

std::string UpperCaseCp932(std::string_view cp932);
void UpperCaseCp932InPlace(std::string& cp932);
// Negative, zero or positive, comparing the upper-cased forms byte by byte.
int CompareTextNoCase(std::string_view a, std::string_view b);

}  // namespace pelmora
