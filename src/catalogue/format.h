// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace pelmora {

// A count grouped by thousands with ",", no decimals: 1234 gives "1,234".
std::string FormatCount(std::int64_t count);
// A file size in KB as the list shows it: bytes / 1024, halves rounded up,
// at least 1, grouped ("1,234"). SizeText is this followed by "KB".
std::string SizeKBText(std::int64_t bytes);

}  // namespace pelmora
