// SPDX-License-Identifier: MIT
// Message texts of the operations. Sources are UTF-8; every text crossing a
// port is code page 932, converted here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "decode/cp932.h"

namespace pelmora::ops {

// Line breaks inside message boxes are single CR bytes.
inline constexpr char kBreak[] = "\r";
inline constexpr char kParagraph[] = "\r\r";

inline std::string Cp932(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

// A path in double quotes, as every message names a file.
inline std::string QuotedPath(const std::filesystem::path& path) {
    return "\"" + Utf8ToCp932(path.native()) + "\"";
}

}  // namespace pelmora::ops
