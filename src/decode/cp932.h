// SPDX-License-Identifier: MIT
// Code page 932 as a character set: lead bytes and decoding to Unicode (what
// a front end uses to show display text). UTF-8 becomes display text through
// Utf8ToAnsi ("?" for characters without a code) in japanese.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

inline bool IsCp932LeadByte(std::uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The Unicode character of a one- or two-byte code, 0 where there is none.
char32_t Cp932ToUnicode(std::uint16_t code);
// Display text to UTF-8; bytes without a character become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

}  // namespace pelmora
