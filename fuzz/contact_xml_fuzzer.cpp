// SPDX-License-Identifier: MIT
// One Windows Contacts XML document.
#include <string>
#include <vector>

#include "addressbook/contact_xml.h"
#include "addressbook/display_names.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    (void)pelmora::ReadContactXml(pelmora::fuzz::bytesOf(data, size), lines);
    // Each source line is one line of "address,name".
    for (const std::string& line : lines)
        pelmora::fuzz::require(line.find_first_of("\r\n") == std::string::npos &&
                               line.find(',') != std::string::npos);
    return 0;
}
