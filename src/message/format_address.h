// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace pelmora {

class DisplayNameLookup;

// One decoded address as the list shows it: the display name when there is
// one, else the bare address; with names non-null (the display-name option
// on) an address the directory knows is replaced by its name.
std::string FormatAddress(std::string_view text, const DisplayNameLookup* names);

}  // namespace pelmora
