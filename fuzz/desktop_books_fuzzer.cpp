// SPDX-License-Identifier: MIT
// The files that say where the desktop's address books are: Thunderbird's
// profiles.ini and prefs.js, as one input read both ways.
#include <string>

#include "addressbook/desktop_books.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = pelmora::fuzz::bytesOf(data, size);
    for (const auto& profile : pelmora::addressbook::ParseProfilesIni(text, "/home/u/.thunderbird"))
        pelmora::fuzz::require(!profile.folder.empty());
    for (const auto& book : pelmora::addressbook::ParsePrefsBooks(text))
        pelmora::fuzz::require(!book.fileName.empty());
    return 0;
}
