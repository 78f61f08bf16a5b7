// SPDX-License-Identifier: MIT
#include <string>

#include "decode/header.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = pelmora::fuzz::bytesOf(data, size);
    // No ISO-2022-JP escape survives into display text.
    const std::string display = pelmora::DecodeHeaderText(input);
    pelmora::fuzz::require(display.find("\x1B$") == std::string::npos &&
                           display.find("\x1B(") == std::string::npos);
    return 0;
}
