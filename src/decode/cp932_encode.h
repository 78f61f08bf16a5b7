// SPDX-License-Identifier: MIT
// Unicode to code page 932 as a constant expression: the decoder encodes
// with it at run time, the texts library while compiling its literals, so
// both read one table.
#pragma once

#include <cstdint>

#include "decode/cp932_encode_table.h"

namespace pelmora::cp932 {

// The lowest code that decodes to the character (below 256: one byte), or 0
// for "no code".
constexpr std::uint16_t UnicodeToCode(char32_t codePoint) {
    if (codePoint < 0x80) return static_cast<std::uint16_t>(codePoint);
    if (codePoint > 0xFFFF) return 0;
    const UnicodeRow& row = kUnicodeRows[codePoint >> 8];
    const unsigned low = codePoint & 0xFF;
    if (low < row.first || low > row.last) return 0;
    return kUnicodeToSjisCodes[row.offset + (low - row.first)];
}

}  // namespace pelmora::cp932
