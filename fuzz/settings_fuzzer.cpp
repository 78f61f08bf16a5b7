// SPDX-License-Identifier: MIT
// The settings file: read, written back, and read again to the same values.
#include <sstream>
#include <string>

#include "fuzz_target.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmora;
    const std::string_view input = fuzz::bytesOf(data, size);
    const Settings settings = ParseSettings(input);
    std::ostringstream out;
    WriteSettings(out, settings, input);
    fuzz::require(ParseSettings(out.str()) == settings);
    return 0;
}
