// SPDX-License-Identifier: MIT
// The display-name directory: the table that maps mail addresses to the
// names the user's address book gives them, rebuilt in full when needed.
#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "message/display_name_lookup.h"

namespace pelmora {

// Two parallel lists: addresses sorted without regard to case (so that a
// lookup can search them as a sorted list) and the name of each address.
// Every text is display text (code page 932).
class DisplayNameDirectory : public DisplayNameLookup {
public:
    void Clear();
    // Appends one entry; the caller keeps the address list sorted.
    void Append(std::string address, std::string name);

    // Binary search without regard to case. Of addresses that differ only in
    // case, any one may answer.
    const std::string* LookupDisplayName(std::string_view address) const override;

    std::size_t size() const { return m_addresses.size(); }
    bool empty() const { return m_addresses.empty(); }
    const std::vector<std::string>& addresses() const { return m_addresses; }
    const std::vector<std::string>& names() const { return m_names; }

private:
    std::vector<std::string> m_addresses;
    std::vector<std::string> m_names;
};

// Source lines are "address,name": the address ends at the first comma, the
// name may hold further commas. Sorts the lines and appends them; an address
// equal byte for byte to the one appended last is skipped, so each address
// keeps the name that sorts first.
void MergeAddressLines(DisplayNameDirectory& directory, std::vector<std::string> lines);
// The same for the lines of several sources at once, earliest first: for an
// address that sources name differently (letter case aside), only the
// earliest source's lines count. Gives, per source, the number of its
// distinct addresses (letter case aside), whether they won or not.
std::vector<std::size_t> MergeSourceLines(DisplayNameDirectory& directory,
                                          std::vector<std::vector<std::string>> sources);

// The books themselves are read by contact_xml.h, vcard.h and
// contacts_folder.h; BuildDisplayNameDirectory, which reads them and the
// desktop's other books, is in address_books.h.

}  // namespace pelmora
