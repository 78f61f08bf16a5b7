// SPDX-License-Identifier: MIT
// Upper-casing and case-insensitive comparison of display text. Both fold
// the ASCII letters a-z and the full-width letters ａ-ｚ, character by
// character, so the second byte of a double-byte character is never changed
// on its own and every character keeps its length.
#pragma once

#include <string>
#include <string_view>

namespace pelmora {

std::string UpperCaseCp932(std::string_view cp932);
void UpperCaseCp932InPlace(std::string& cp932);
// Negative, zero or positive, comparing the upper-cased forms byte by byte.
int CompareTextNoCase(std::string_view a, std::string_view b);

}  // namespace pelmora
