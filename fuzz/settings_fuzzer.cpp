// SPDX-License-Identifier: MIT
// The settings file: read, written back with the foreign sections kept,
// and read again. Numbers survive the trip; texts may not (a path holding a
// line break cannot be stored), so only the numbers are compared.
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
    const Settings again = ParseSettings(out.str());
    fuzz::require(again.Width == settings.Width && again.Top == settings.Top &&
                  again.FFTop == settings.FFTop && again.CWidth == settings.CWidth &&
                  again.FFCWidth == settings.FFCWidth);
    return 0;
}
