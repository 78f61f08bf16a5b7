// SPDX-License-Identifier: MIT
#include "decode/cp932.h"

#include "decode/cp932_tables.h"
#include "decode/utf8.h"

namespace pelmora {

namespace {

bool isTrailByte(std::uint8_t byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

char32_t Cp932ToUnicode(std::uint16_t code) {
    if (code < 0x100) return cp932::kSingleByteToUnicode[code];
    const auto lead = static_cast<std::uint8_t>(code >> 8);
    const auto trail = static_cast<std::uint8_t>(code & 0xFF);
    if (!IsCp932LeadByte(lead) || trail < cp932::kTrailFirst || trail > 0xFC) return 0;
    return cp932::kDoubleByteToUnicode[cp932::LeadIndex(lead) * cp932::kTrailCount +
                                       (trail - cp932::kTrailFirst)];
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    std::size_t i = 0;
    while (i < cp932.size()) {
        const auto byte = static_cast<std::uint8_t>(cp932[i]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        if (!IsCp932LeadByte(byte)) {
            const char32_t c = Cp932ToUnicode(byte);
            AppendUtf8(out, c != 0 ? c : kReplacement);
            ++i;
            continue;
        }
        const auto trail = i + 1 < cp932.size() ? static_cast<std::uint8_t>(cp932[i + 1]) : 0;
        if (!isTrailByte(trail)) {
            // A lead byte without its trail byte: the next byte is read anew,
            // so an ASCII byte after a damaged character is not swallowed.
            AppendUtf8(out, kReplacement);
            ++i;
            continue;
        }
        const char32_t c = Cp932ToUnicode(static_cast<std::uint16_t>(byte << 8 | trail));
        AppendUtf8(out, c != 0 ? c : kReplacement);
        i += 2;
    }
    return out;
}

}  // namespace pelmora
