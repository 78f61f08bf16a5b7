// SPDX-License-Identifier: MIT
// Byte strings in failure messages: printable ASCII as is, the rest as <XX>.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace pelmora::test {

inline std::string Hex(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '<') {
            out += c;
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "<%02X>", byte);
            out += buffer;
        }
    }
    return out;
}

}  // namespace pelmora::test
