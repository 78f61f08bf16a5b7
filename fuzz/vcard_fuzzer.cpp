// SPDX-License-Identifier: MIT
// The vCards of one .vcf text.
#include <string>
#include <vector>

#include "addressbook/display_names.h"
#include "addressbook/vcard.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    pelmora::ReadVCardText(pelmora::fuzz::bytesOf(data, size), lines);
    for (const std::string& line : lines)
        pelmora::fuzz::require(line.find_first_of("\r\n") == std::string::npos &&
                               line.find(',') != std::string::npos);
    return 0;
}
