// SPDX-License-Identifier: MIT
// The port through which the reader asks the address book for names; the
// address book implements it, so it depends on this header alone.
#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// The address book as the address formatter sees it.
class DisplayNameLookup {
public:
    virtual ~DisplayNameLookup() = default;
    // The display name stored for address (compared without regard to
    // letter case), or nullptr.
    virtual const std::string* LookupDisplayName(std::string_view address) const = 0;
};

}  // namespace pelmora
