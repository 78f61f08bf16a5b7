// SPDX-License-Identifier: MIT
#include "catalogue/format.h"

#include <cstdint>

namespace pelmora {

std::string FormatCount(std::int64_t count) {
    // Work on the magnitude as unsigned so that the smallest int64 survives.
    std::uint64_t magnitude =
        count < 0 ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
    std::string digits = std::to_string(magnitude);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    if (count < 0) out.push_back('-');
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string SizeKBText(std::int64_t bytes) {
    // bytes / 1024 rounded half up, never shown below 1 (an empty file is 1KB).
    std::int64_t kb = bytes <= 0 ? 0 : bytes / 1024 + ((bytes % 1024) >= 512 ? 1 : 0);
    if (kb < 1) kb = 1;
    return FormatCount(kb);
}

}  // namespace pelmora
