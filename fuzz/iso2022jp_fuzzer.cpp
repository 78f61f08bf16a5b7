// SPDX-License-Identifier: MIT
#include "decode/japanese.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = pelmora::fuzz::bytesOf(data, size);
    pelmora::fuzz::require(pelmora::Iso2022JpToSjis(input).size() <= input.size());
    return 0;
}
