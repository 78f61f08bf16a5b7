// SPDX-License-Identifier: MIT
// Shared by the contact file readers: how one address and one name become a
// source line of the directory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::addressbook {

// Adds "address,name" when both are non-empty after trimming. An address
// holding a control byte is left out, and so is one holding a comma, since the line's first comma would cut
// it in two and file the rest under a wrong address; line breaks and other control bytes in a name become
// blanks, so a name stays one line of text.
void AddSourceLine(std::vector<std::string>& lines, std::string_view address, std::string_view name);

std::string_view TrimAsciiSpace(std::string_view text);

}  // namespace pelmora::addressbook
