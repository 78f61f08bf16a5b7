// SPDX-License-Identifier: MIT
#include "decode/transfer.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = pelmora::fuzz::bytesOf(data, size);
    pelmora::fuzz::require(pelmora::Base64Decode(input).size() <= input.size() / 4 * 3 + 2);
    pelmora::fuzz::require(pelmora::EncodedWordBDecode(input).size() <= (input.size() + 2) / 4 * 3);
    return 0;
}
