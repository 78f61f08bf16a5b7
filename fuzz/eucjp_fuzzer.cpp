// SPDX-License-Identifier: MIT
#include "decode/japanese.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = pelmora::fuzz::bytesOf(data, size);
    // The result is meant for the ISO-2022-JP converter, which never
    // lengthens what it is given (bytes 0x81-0xA0 become control bytes,
    // ESC among them, so no tighter bound holds for damaged EUC-JP).
    const std::string jis = pelmora::EucJpToIso2022Jp(input);
    pelmora::fuzz::require(pelmora::Iso2022JpToSjis(jis).size() <= jis.size());
    return 0;
}
