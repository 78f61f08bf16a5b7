// SPDX-License-Identifier: MIT
// The mail date parser and the date text of what it gives.
#include <string>

#include "fuzz_target.h"
#include "message/mail_date.h"
#include "message/parse_mail_date.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmora;
    const DateTime value = ParseMailDate(fuzz::bytesOf(data, size));
    const std::string text = DateText(value < DateFloor ? DateFloor : value);
    // Always "YYYY/MM/DD HH:MM", never a wrapped year.
    fuzz::require(text.size() == 16 && text[4] == '/' && text[7] == '/' && text[13] == ':' &&
                  text >= "1980/");
    return 0;
}
