// SPDX-License-Identifier: MIT
// Eight bytes tested or changed at once, as one 64-bit word: what the body
// search does to every byte it reads, kept in one place.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace pelmora::words {

inline constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

inline std::uint64_t Load(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Whether one of the eight bytes is c (exact for the first such byte).
inline bool HasByte(std::uint64_t word, char c) {
    const std::uint64_t x = word ^ (static_cast<std::uint8_t>(c) * kEveryByte);
    return ((x - kEveryByte) & ~x & kHighBits) != 0;
}

// a-z of every byte, whatever character it belongs to, become A-Z. Bytes of
// 0x80 and above are left alone: their high bit stays out of the sums.
inline std::uint64_t UpperCaseLetters(std::uint64_t word) {
    const std::uint64_t low7 = word & ~kHighBits;
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kEveryByte;
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kEveryByte;
    return word ^ ((atLeastA & ~aboveZ & ~word & kHighBits) >> 2);
}

// Whether a byte of text is 0x80 or above, eight at a time.
inline bool HasHighByte(std::string_view text) {
    std::size_t k = 0;
    for (; k + 8 <= text.size(); k += 8)
        if ((Load(text.data() + k) & kHighBits) != 0) return true;
    for (; k < text.size(); ++k)
        if (static_cast<std::uint8_t>(text[k]) >= 0x80) return true;
    return false;
}

}  // namespace pelmora::words
