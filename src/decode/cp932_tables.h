// SPDX-License-Identifier: MIT
// The generated code page 932 tables (tools/gen_cp932.py). Internal to the
// decode library: everyone else goes through cp932.h and japanese.h (and
// the texts library through cp932_encode.h, to encode while compiling).
#pragma once

#include <cstdint>

namespace pelmora::cp932 {

inline constexpr int kTrailFirst = 0x40;
inline constexpr int kTrailCount = 0xFC - 0x40 + 1;  // 189 trail byte values
inline constexpr int kLeadCount = 60;                // 0x81-0x9F and 0xE0-0xFC

// Unicode of each single byte; 0 for lead bytes and undefined bytes.
extern const std::uint16_t kSingleByteToUnicode[256];
// Unicode of lead x trail, indexed by LeadIndex(lead) * kTrailCount + trail - 0x40.
extern const std::uint16_t kDoubleByteToUnicode[kLeadCount * kTrailCount];

// One row per high byte of a BMP character: codes for the low bytes
// first..last are kUnicodeToSjisCodes[offset ...], 0 in the gaps. An empty
// row has first > last. The rows and codes are in cp932_encode_table.h.
struct UnicodeRow {
    std::uint8_t first;
    std::uint8_t last;
    std::uint16_t offset;
};

inline int LeadIndex(std::uint8_t lead) {
    return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
}

}  // namespace pelmora::cp932
